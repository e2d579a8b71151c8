// Line coverage: what the recorder counts during a run and the tracefile made from it.
#include <gtest/gtest.h>

#include <string>

#include "check/coverage.h"
#include "platform/files.h"
#include "script/script_harness.h"

namespace veloria::test {
namespace {

// The extended language's lines: loop bodies per pass, a user command's call and its routine.
TEST(Coverage, CountsLoopsAndUserCommandsOfTheExtendedDialect) {
  GameDir dir;
  const std::string script =
      ";value 200\n"
      "*define\n"
      "defsub twice\n"                        // 3
      "game\n"                                // 4
      "*start\n"
      "for %1 = 1 to 3\n"                     // 6
      "twice %1\n"                            // 7: three calls
      "next\n"                                // 8: three steps
      "end\n"                                 // 9
      "*twice\n"
      "getparam %2 : mul %2,2\n"              // 11
      "return\n";                             // 12
  dir.write("0.txt", sjisOf(script));
  ScriptHarness h;
  CoverageRecorder rec;
  h.e.app.coverage = &rec;
  EXPECT_EQ(h.run(script), 0) << h.errorMessage();
  h.e.app.coverage = nullptr;
  CoverageTotals totals;
  std::string error;
  std::string info = coverageTracefile(rec, setUpEngine, totals, error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_NE(info.find("\nDA:3,1\nDA:4,1\nDA:6,1\nDA:7,3\nDA:8,3\nDA:9,1\nDA:11,3\nDA:12,3\nLF:8\nLH:8\n"),
            std::string::npos)
      << info;
}

TEST(Coverage, CountsVisitsToLinesWithStatementsOnly) {
  GameDir dir;
  const std::string script =
      "*define\n"                             // 1: a label is no statement
      "game\n"                                // 2: runs in the define pass
      "*start\n"
      "; comment\n"
      "mov %1,0\n"                            // 5
      "*loop\n"
      "inc %1:if %1 < 3 goto *loop\n"         // 7: three visits
      "if %1 == 0 goto *never\n"              // 8
      "end\n"                                 // 9
      "*never\n"
      "    mov %2,1\n"                        // 11: never runs
      "end\n";                                // 12
  dir.write("0.txt", sjisOf(script));
  ScriptHarness h;
  CoverageRecorder rec;
  h.e.app.coverage = &rec;
  EXPECT_EQ(h.run(script), 0);
  h.e.app.coverage = nullptr;

  CoverageTotals totals;
  std::string error;
  std::string info = coverageTracefile(rec, setUpEngine, totals, error);
  EXPECT_TRUE(error.empty()) << error;
  std::string expected = "TN:\nSF:" + fs::absoluteHostPath(fs::joinHost(dir.path(), "0.txt")) +
                         "\nDA:2,1\nDA:5,1\nDA:7,3\nDA:8,1\nDA:9,1\nDA:11,0\nDA:12,0\nLF:7\nLH:5\nend_of_record\n";
  EXPECT_EQ(info, expected);
  EXPECT_EQ(totals.lines, 7u);
  EXPECT_EQ(totals.executed, 5u);

  // The file and its summary line; counts for another script are refused.
  std::string out = fs::joinHost(dir.path(), "run.info");
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(writeCoverage(rec, setUpEngine, out, err));
  std::rewind(err);
  char line[128] = {};
  ASSERT_TRUE(std::fgets(line, sizeof line, err));
  EXPECT_STREQ(line, "coverage: 5 of 7 lines (71.4%)\n");
  std::fclose(err);
  auto written = fs::readHostFile(out);
  ASSERT_TRUE(written);
  EXPECT_EQ(std::string(written->begin(), written->end()), expected);

  dir.write("0.txt", sjisOf(script + "mov %3,1\n"));
  info = coverageTracefile(rec, setUpEngine, totals, error);
  EXPECT_TRUE(info.empty());
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace veloria::test
