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
#include "support/game_dir.h"

using veloria::test::runVeloria;

namespace {

// A game of one script, 0.txt (UTF-8 text, stored as Shift-JIS).
struct CliGame : veloria::test::GameDir {
  explicit CliGame(const std::string& scriptUtf8) : GameDir({{"0.txt", veloria::utf8ToSjis(scriptUtf8)}}) {}
  std::string file(const std::string& name) const { return path() + "/" + name; }
};

}  // namespace

TEST(CommandLine, UsageErrorsStartNothing) {
  veloria::test::GameDir scratch;
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

TEST(CommandLine, ScaleIsAPositiveWholeNumberAndHeadlessRunsIgnoreIt) {
  CliGame g("*define\ngame\n*start\nbg #00ff00,1\nend\n");
  for (const char* bad : {"--scale", "--scale 0", "--scale -2", "--scale 1.5", "--scale two"}) {
    auto r = runVeloria(std::string("--headless ") + bad + " " + g.path());
    EXPECT_EQ(r.code, 2) << bad;
    EXPECT_NE(r.output.find("--scale needs"), std::string::npos) << bad << ": " << r.output;
  }
  // The headless picture stays the game's own size, and nothing is remembered for it.
  const std::string shot = g.scratch() + "/shot.png";
  auto r = runVeloria("--headless --scale 3 --screenshot-on-exit " + shot + " " + g.path());
  EXPECT_EQ(r.code, 0) << r.output;
  auto png = veloria::fs::readHostFile(shot);
  ASSERT_TRUE(png && png->size() > 24);
  auto be32 = [&](size_t at) { return ((*png)[at] << 24) | ((*png)[at + 1] << 16) | ((*png)[at + 2] << 8) | (*png)[at + 3]; };
  EXPECT_EQ(be32(16), 640);
  EXPECT_EQ(be32(20), 480);
  EXPECT_FALSE(std::filesystem::exists(g.scratch() + "/config/windows"));
}

TEST(CommandLine, MalformedInputFileIsAUsageError) {
  CliGame g("*define\ngame\n*start\nend\n");
  std::string input = g.file("in.txt");
  veloria::fs::writeHostFile(input, "wait 10\nclick ten 20\n", 21);
  auto r = runVeloria("--headless --input " + input + " " + g.path());
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("input line 2"), std::string::npos);
}

TEST(CommandLine, ScriptErrorGivesExitOneWithTheReportInUtf8) {
  CliGame g("*define\ngame\n*start\nmov %0,1\nかな\nbadword\n");
  auto r = runVeloria("--headless --timeout 600000 --dump-on-exit " + g.file("d.json") + " " + g.path());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("構文エラー"), std::string::npos);
  EXPECT_NE(r.output.find("0.txt line:6"), std::string::npos);
  auto dump = veloria::fs::readHostFile(g.file("d.json"));
  ASSERT_TRUE(dump);
  std::string json(dump->begin(), dump->end());
  EXPECT_NE(json.find("\"error\":{\"caption\":\"構文エラー\""), std::string::npos);
}

TEST(CommandLine, TimeoutWritesDumpAndScreenshotAndExitsThree) {
  CliGame g("*define\ngame\n*start\n*loop\ngoto *loop\n");
  auto r = runVeloria("--headless --timeout 1000 --dump-on-exit " + g.file("d.json") + " --screenshot-on-exit " +
                   g.file("s.png") + " " + g.path());
  EXPECT_EQ(r.code, 3);
  EXPECT_TRUE(std::filesystem::exists(g.file("d.json")));
  auto png = veloria::fs::readHostFile(g.file("s.png"));
  ASSERT_TRUE(png);
  ASSERT_GT(png->size(), 8u);
  EXPECT_EQ((*png)[1], 'P');
}

TEST(CommandLine, InputQuitEndsNormallyAndOutputsGoWhereWeStarted) {
  CliGame g("*define\ngame\n*start\n*loop\ngoto *loop\n");
  std::string input = g.file("in.txt");
  std::string text = "wait 700\ndump mid.json\nquit\n";
  veloria::fs::writeHostFile(input, text.data(), text.size());
  // Started beside the game, not in it: the dump lands where we started.
  auto r = runVeloria("--headless --timeout 100000 --input " + input + " " + g.path(), "cd " + g.scratch() + " &&");
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_TRUE(std::filesystem::exists(g.scratch() + "/mid.json"));
  EXPECT_FALSE(std::filesystem::exists(g.file("mid.json")));
}

TEST(CommandLine, BundledDemoPlaysToItsEndUnderAutoplay) {
  // A copy: the game writes its saves and settings into its own folder, not the sources.
  veloria::test::GameDir scratch;
  std::filesystem::copy(std::string(VELORIA_TEST_DIR) + "/../demo", scratch.path(),
                        std::filesystem::copy_options::recursive);
  std::string demo = scratch.path();
  std::string dump = scratch.scratch() + "/demo.json";
  auto r = runVeloria("--headless --autoplay --timeout 600000 --dump-on-exit " + dump + " " + demo);
  EXPECT_EQ(r.code, 0) << r.output;
  auto data = veloria::fs::readHostFile(dump);
  ASSERT_TRUE(data);
  std::string json(data->begin(), data->end());
  EXPECT_NE(json.find("\"background\":\"white\""), std::string::npos);
  EXPECT_NE(json.find("\"error\":null"), std::string::npos);
}

TEST(CommandLine, PlaytestReportsABrokenBranchWithExitCodeOne) {
  CliGame game(
      "*define\ngame\n*start\nselect \"進む\",*ok,\"壊す\",*bad\n*ok\nend\n*bad\nnosuchcommand\nend\n");
  const std::string report = game.scratch() + "/playtest.json", info = game.scratch() + "/playtest.info";
  auto r = runVeloria("--playtest --runs 5 --report " + report + " --coverage " + info + " " + game.path());
  EXPECT_EQ(r.code, 1) << r.output;
  EXPECT_NE(r.output.find("playtest: 3 runs, 4 of 5 script lines (80.0%), 1 of 1 choice fully explored, 1 error\n  never reached: 0.txt:9\n"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("  errors: 0.txt:8: "), std::string::npos) << r.output;
  auto json = veloria::fs::readHostFile(report);
  ASSERT_TRUE(json);
  EXPECT_NE(std::string(json->begin(), json->end()).find("\"errors\":[{\"file\":\"0.txt\",\"line\":8,"), std::string::npos);
  EXPECT_TRUE(veloria::fs::hostExists(info));
  // Its own options only, and they need it.
  EXPECT_EQ(runVeloria("--playtest --headless " + game.path()).code, 2);
  EXPECT_EQ(runVeloria("--playtest --autoplay=explore " + game.path()).code, 2);
  EXPECT_EQ(runVeloria("--headless --runs 3 " + game.path()).code, 2);
  EXPECT_EQ(runVeloria("--headless --autoplay=random:x " + game.path()).code, 2);
}

TEST(CommandLine, AFolderWithoutAScriptIsNamedAsSuchWhereNoWindowCanOfferAnother) {
  const std::string line = "veloria: GAME_DIR holds no script (0.txt … 99.txt, veloria.dat or velo_sec.dat)\n";
  veloria::test::GameDir g(veloria::test::GameFiles{{"readme.txt", "not a script"}, {"12.txt/inside", ""}, {"07.txt", "*define\n"}});
  for (const char* mode : {"--headless", "--check", "--playtest", "--headless --autoplay"}) {
    auto r = runVeloria(std::string(mode) + " " + g.path());
    EXPECT_EQ(r.code, 2) << mode;
    EXPECT_EQ(r.output, line) << mode;
  }
  // No folder named: the current one is meant.
  auto r = runVeloria("--headless", "cd " + g.path() + " &&");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.output, line);

  // Any letter case and any of the three forms counts as a script.
  for (const char* name : {"0.TXT", "99.txt", "Veloria.DAT", "VELO_SEC.dat"}) {
    veloria::test::GameDir game(veloria::test::GameFiles{{name, "*define\ngame\n*start\nend\n"}});
    auto played = runVeloria("--headless --timeout 100000 " + game.path());
    EXPECT_EQ(played.output.find("holds no script"), std::string::npos) << name << ": " << played.output;
  }

  // A file named stands for its folder: the game's own script plays; a stray file's folder
  // still holds no script.
  veloria::test::GameDir game(veloria::test::GameFiles{{"0.txt", "*define\ngame\n*start\nend\n"}});
  EXPECT_EQ(runVeloria("--headless --timeout 100000 " + game.path() + "/0.txt").code, 0);
  EXPECT_EQ(runVeloria("--headless --timeout 100000 0.txt", "cd " + game.path() + " &&").code, 0);
  r = runVeloria("--headless " + g.path() + "/readme.txt");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.output, line);
}

TEST(CommandLine, RecordSpeechWritesWhatIsSaidWhereWeStarted) {
  veloria::test::GameDir scratch;
  std::filesystem::copy(std::string(VELORIA_TEST_DIR) + "/../demo", scratch.path(),
                        std::filesystem::copy_options::recursive);
  auto r = runVeloria("--headless --autoplay --timeout 600000 --record-speech speech.txt " + scratch.path(),
                      "cd " + scratch.scratch() + " &&");
  EXPECT_EQ(r.code, 0) << r.output;
  auto data = veloria::fs::readHostFile(scratch.scratch() + "/speech.txt");
  ASSERT_TRUE(data) << "the record is named from where veloria was started";
  const std::string text(data->begin(), data->end());
  ASSERT_FALSE(text.empty());
  // Every line: milliseconds, a tab, something said.
  size_t lines = 0;
  for (size_t at = 0; at < text.size(); ++lines) {
    const size_t end = text.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(at, end - at);
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    EXPECT_GT(tab, 0u);
    EXPECT_EQ(line.find_first_not_of("0123456789"), tab) << line;
    EXPECT_LT(tab + 1, line.size()) << line;
    at = end + 1;
  }
  EXPECT_GT(lines, 2u);

  r = runVeloria("--record-speech speech.txt " + scratch.path());
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("--record-speech need --headless"), std::string::npos) << r.output;
}
