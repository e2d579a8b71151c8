// The command line as authors' CI uses it: options, exit codes, output files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/text_codec.h"
#include "support/cli_runner.h"

using veloria::test::GameDir;
using veloria::test::runVeloria;

TEST(CommandLine, UsageErrorsStartNothing) {
  auto r = runVeloria("--headless --frobnicate");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("unknown option --frobnicate"), std::string::npos);
  r = runVeloria("--headless /no/such/game/dir");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("no such game directory"), std::string::npos);
  r = runVeloria("--timeout 100 .");
  EXPECT_EQ(r.code, 2);
  r = runVeloria("--headless --timeout abc .");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(runVeloria("--help").code, 0);
}

TEST(CommandLine, MalformedInputFileIsAUsageError) {
  GameDir g("*define\ngame\n*start\nend\n");
  std::string input = g.path("in.txt");
  veloria::fs::writeHostFile(input, "wait 10\nclick ten 20\n", 21);
  auto r = runVeloria("--headless --input " + input + " " + g.dir.string());
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("input line 2"), std::string::npos);
}

TEST(CommandLine, ScriptErrorGivesExitOneWithTheReportInUtf8) {
  GameDir g("*define\ngame\n*start\nmov %0,1\nかな\nbadword\n");
  auto r = runVeloria("--headless --timeout 600000 --dump-on-exit " + g.path("d.json") + " " + g.dir.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("構文エラー"), std::string::npos);
  EXPECT_NE(r.output.find("0.txt line:6"), std::string::npos);
  auto dump = veloria::fs::readHostFile(g.path("d.json"));
  ASSERT_TRUE(dump);
  std::string json(dump->begin(), dump->end());
  EXPECT_NE(json.find("\"error\":{\"caption\":\"構文エラー\""), std::string::npos);
}

TEST(CommandLine, TimeoutWritesDumpAndScreenshotAndExitsThree) {
  GameDir g("*define\ngame\n*start\n*loop\ngoto *loop\n");
  auto r = runVeloria("--headless --timeout 1000 --dump-on-exit " + g.path("d.json") + " --screenshot-on-exit " +
                   g.path("s.png") + " " + g.dir.string());
  EXPECT_EQ(r.code, 3);
  EXPECT_TRUE(std::filesystem::exists(g.path("d.json")));
  auto png = veloria::fs::readHostFile(g.path("s.png"));
  ASSERT_TRUE(png);
  ASSERT_GT(png->size(), 8u);
  EXPECT_EQ((*png)[1], 'P');
}

TEST(CommandLine, InputQuitEndsNormallyAndOutputsGoWhereWeStarted) {
  GameDir g("*define\ngame\n*start\n*loop\ngoto *loop\n");
  std::string input = g.path("in.txt");
  std::string text = "wait 700\ndump mid.json\nquit\n";
  veloria::fs::writeHostFile(input, text.data(), text.size());
  std::string cwd = std::filesystem::current_path().string();
  auto r = runVeloria("--headless --timeout 100000 --input " + input + " " + g.dir.string(), "cd " + g.dir.string() + " &&");
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_TRUE(std::filesystem::exists(g.path("mid.json")));
}

TEST(CommandLine, BundledDemoPlaysToItsEndUnderAutoplay) {
  std::string demo = std::string(VELORIA_TEST_DIR) + "/../demo";
  std::string dump = std::filesystem::temp_directory_path().string() + "/veloria-demo-" +
                     std::to_string(::getpid()) + ".json";
  auto r = runVeloria("--headless --autoplay --timeout 600000 --dump-on-exit " + dump + " " + demo);
  EXPECT_EQ(r.code, 0) << r.output;
  auto data = veloria::fs::readHostFile(dump);
  ASSERT_TRUE(data);
  std::string json(data->begin(), data->end());
  EXPECT_NE(json.find("\"background\":\"white\""), std::string::npos);
  EXPECT_NE(json.find("\"error\":null"), std::string::npos);
  std::filesystem::remove(dump);
}
