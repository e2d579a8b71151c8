// The play-test on whole games: runs that take what earlier runs did not, errors found with
// their line, the stall rule, the summary and report, and the player's files left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/playtest.h"
#include "platform/files.h"
#include "save/persist_formats.h"
#include "support/game_dir.h"
#include "support/game_runner.h"

namespace veloria {
namespace {

using test::GameDir;
using test::GameFiles;
using test::sjisText;

PlaytestResult playtest(const GameDir& dir, PlaytestOptions o = {}) {
  fs::makeDirectories(fs::runtimeDirectory());
  o.gameDir = dir.path();
  return runPlaytest(o, nullptr);
}

std::string fileBytes(const std::string& path) {
  auto d = fs::readHostFile(path);
  return d ? std::string(d->begin(), d->end()) : "<missing>";
}

TEST(Playtest, EachRunTakesWhatEarlierRunsDidNotAndTheSummarySaysSo) {
  GameDir dir({{"0.txt", sjisText("*define\ngame\n*start\n"
                                  "select \"東\",*east,\"西\",*west\n"
                                  "*east\nmov %1,1\nend\n"
                                  "*west\nmov %1,2\nend\n"
                                  "mov %1,3\n")}});
  PlaytestResult r = playtest(dir);
  EXPECT_EQ(r.exitCode, 0);
  // East, west, then east again finds nothing new and ends the play-test.
  ASSERT_EQ(r.runs.size(), 3u) << r.failure;
  EXPECT_GT(r.runs[1].newLines, 0u);
  EXPECT_EQ(r.runs[2].newLines, 0u);
  for (const auto& run : r.runs) EXPECT_EQ(run.end, RunEnd::End);
  ASSERT_EQ(r.choices.size(), 1u);
  EXPECT_EQ(r.choices[0].file, "0.txt");
  EXPECT_EQ(r.choices[0].line, 4u);
  EXPECT_EQ(r.choices[0].options, (std::vector<std::string>{"東", "西"}));
  EXPECT_TRUE(r.choices[0].neverTaken.empty());
  const std::string expected =
      "playtest: 3 runs, 6 of 7 script lines (85.7%), 1 of 1 choice fully explored, 0 errors\n"
      "  never reached: 0.txt:11\n"
      "  errors: none\n";
  EXPECT_EQ(playtestSummary(r), expected);
  const std::string json = playtestJson(r);
  EXPECT_NE(json.find("\"neverReached\":[{\"file\":\"0.txt\",\"first\":11,\"last\":11}]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"choices\":[{\"file\":\"0.txt\",\"line\":4,\"options\":[\"東\",\"西\"],\"neverTaken\":[]}]"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"runs\":[{\"run\":1,\"end\":\"end\""), std::string::npos) << json;
}

TEST(Playtest, ABrokenBranchIsReportedWithItsLineAndExitCodeOne) {
  GameDir dir({{"0.txt", sjisText("*define\ngame\n*start\n"
                                  "select \"無事\",*fine,\"壊れた\",*broken,\"無事2\",*fine\n"
                                  "*fine\nend\n"
                                  "*broken\nmov %1,1\n"
                                  "nosuchcommand\n"
                                  "end\n")}});
  PlaytestResult r = playtest(dir);
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].file, "0.txt");
  EXPECT_EQ(r.errors[0].line, 9u);
  EXPECT_EQ(r.errors[0].run, 2);
  EXPECT_FALSE(r.errors[0].message.empty());
  // The run after the error goes on with the option not yet taken.
  ASSERT_GE(r.runs.size(), 3u);
  EXPECT_EQ(r.runs[1].end, RunEnd::Error);
  EXPECT_EQ(r.runs[2].end, RunEnd::End);
  const std::string summary = playtestSummary(r);
  EXPECT_NE(summary.find(", 1 error\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("  errors: 0.txt:9: "), std::string::npos) << summary;
}

TEST(Playtest, AGameThatGoesBackToItsTitleStopsByTheStallRule) {
  GameDir dir({{"0.txt", sjisText("*define\ngame\n*start\n"
                                  "*title\nselect \"はじめる\",*story\n"
                                  "*story\nmov %1,1\ngoto *title\n")}});
  PlaytestOptions o;
  o.stallMs = 1000;
  o.timeoutMs = 600000;
  PlaytestResult r = playtest(dir, o);
  EXPECT_EQ(r.exitCode, 0);
  ASSERT_EQ(r.runs.size(), 2u);  // the second reaches nothing new
  EXPECT_EQ(r.runs[0].end, RunEnd::Stall);
  EXPECT_GE(r.runs[0].virtualMs, 1000u);
  EXPECT_LT(r.runs[0].virtualMs, 10000u);
  EXPECT_EQ(r.linesReached, r.lines);
}

TEST(Playtest, ThePlayersFilesAreNeverTouched) {
  // The player has globals (with %200 at 5) and a save. The game adds to its global and
  // stops with an error if it ever sees the player's value.
  GlobalVariables g;
  g.numVars[0] = 5;
  std::vector<uint8_t> globals;
  encodeGlobals(g, globals);
  GameDir dir({{"0.txt", sjisText("*define\nglobalon\ngame\n*start\n"
                                  "add %200,1\nif %200 >= 5 nosuchcommand\n"
                                  "select \"甲\",*a,\"乙\",*a\n*a\nend\n")},
               {"gloval.sav", std::string(globals.begin(), globals.end())},
               {"save1.dat", "MINE"}});
  auto listing = [&] {
    std::vector<std::string> names;
    for (const auto& f : std::filesystem::directory_iterator(dir.path())) names.push_back(f.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  };
  const auto before = listing();
  PlaytestResult r = playtest(dir);
  EXPECT_EQ(r.exitCode, 0) << (r.errors.empty() ? "" : r.errors[0].message);
  EXPECT_EQ(listing(), before);
  EXPECT_EQ(fileBytes(dir.path() + "/gloval.sav"), std::string(globals.begin(), globals.end()));
  EXPECT_EQ(fileBytes(dir.path() + "/save1.dat"), "MINE");

  // A game directory the player cannot write keeps the files in the per-user folder: that
  // stays untouched too.
  const std::string data = dir.scratch() + "/data";
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  fs::overrideGameDirectoryWritable(false);
  r = playtest(dir);
  fs::overrideGameDirectoryWritable(std::nullopt);
  if (saved) ::setenv("XDG_DATA_HOME", saved->c_str(), 1);
  else ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(fs::hostExists(data));
  EXPECT_EQ(listing(), before);
}

}  // namespace
}  // namespace veloria
