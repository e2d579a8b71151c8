// The author tools on the command line: --check, --version, --warp and --coverage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "platform/files.h"
#include "platform/text_codec.h"
#include "support/cli_runner.h"
#include "support/game_dir.h"

namespace veloria::test {
namespace {

// A game of one script, 0.txt (UTF-8 text, stored as Shift-JIS).
struct CliGame : GameDir {
  explicit CliGame(const std::string& scriptUtf8) : GameDir({{"0.txt", utf8ToSjis(scriptUtf8)}}) {}
  std::string file(const std::string& name) const { return path() + "/" + name; }
};

TEST(CheckCommand, ExitCodesAndFindingLines) {
  std::string demo = std::string(VELORIA_TEST_DIR) + "/../demo";
  auto r = runVeloria("--check " + demo);
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("no problems found"), std::string::npos);

  CliGame g("*define\ngame\n*start\nbg \"missing.bmp\",1\nmov %1 2\nend\n");
  r = runVeloria("--check " + g.path());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.output,
            "0.txt:4: ファイルmissing.bmpを開けません。 (no picture file of that name, loose or in the archives)\n"
            "0.txt:5: コンマが必要なところにコンマが有りません。 (a comma is missing)\n"
            "veloria: 2 problems found\n");

  EXPECT_EQ(runVeloria("--check /no/such/dir").code, 2);
  EXPECT_EQ(runVeloria("--check --headless " + demo).code, 2);
}

TEST(CheckCommand, VersionAndHelp) {
  auto r = runVeloria("--version");
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(std::regex_match(r.output, std::regex("veloria [0-9]+\\.[0-9]+(\\.[0-9]+)?\n"))) << r.output;
  r = runVeloria("--help");
  for (const char* option : {"--check", "--warp", "--coverage", "--version"})
    EXPECT_NE(r.output.find(option), std::string::npos) << option;
}

TEST(WarpOption, RunsTheDefineBlockThenStartsAtTheLabel) {
  CliGame g("*define\ncaption \"warped\"\ngame\n*start\nmov %5,1\nend\n*scene\nmov %5,7\nend\n");
  for (const char* label : {"scene", "'*scene'", "SCENE"}) {
    auto r = runVeloria(std::string("--headless --timeout 60000 --warp ") + label + " --dump-on-exit " + g.file("d.json") +
                        " " + g.path());
    EXPECT_EQ(r.code, 0) << r.output;
    auto dump = fs::readHostFile(g.file("d.json"));
    ASSERT_TRUE(dump);
    std::string json(dump->begin(), dump->end());
    EXPECT_NE(json.find("\"title\":\"warped\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"5\":7"), std::string::npos) << json;
  }
  auto r = runVeloria("--headless --timeout 60000 --warp nowhere " + g.path());
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("no label *nowhere"), std::string::npos) << r.output;
  EXPECT_EQ(runVeloria("--headless --warp '*' " + g.path()).code, 2);
}

// DA lines of a tracefile: line -> count.
std::map<int, long> executedLines(const std::string& path) {
  std::map<int, long> out;
  auto data = fs::readHostFile(path);
  if (!data) return out;
  std::string text(data->begin(), data->end());
  std::regex da("DA:([0-9]+),([0-9]+)");
  for (std::sregex_iterator it(text.begin(), text.end(), da), end; it != end; ++it)
    out[std::stoi((*it)[1])] += std::stol((*it)[2]);
  return out;
}

TEST(CoverageOption, TwoRunsTakingDifferentBranchesMerge) {
  CliGame g(
      "*define\ngame\n*start\n"
      "clickpos %0,%1\n"              // 4
      "if %0 < 320 goto *left\n"      // 5
      "右を選んだ。\\\n"              // 6
      "end\n"                         // 7
      "*left\n"
      "左を選んだ。\\\n"              // 9
      "end\n");                       // 10
  const std::string clicks = "wait 200\nclick X 100\nwait 3000\nclick X 100\nwait 3000\nclick X 100\n";
  std::string left = clicks, right = clicks;
  for (size_t at; (at = left.find('X')) != std::string::npos;) left.replace(at, 1, "100");
  for (size_t at; (at = right.find('X')) != std::string::npos;) right.replace(at, 1, "500");
  g.write("left.input", left);
  g.write("right.input", right);
  for (const char* side : {"left", "right"}) {
    auto r = runVeloria(std::string("--headless --timeout 60000 --input ") + g.file(std::string(side) + ".input") +
                        " --coverage " + g.file(std::string(side) + ".info") + " " + g.path());
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("coverage: 5 of 7 lines (71.4%)"), std::string::npos) << r.output;
  }
  auto a = executedLines(g.file("left.info")), b = executedLines(g.file("right.info"));
  EXPECT_EQ(a[9], 1);
  EXPECT_EQ(a[6], 0);
  EXPECT_EQ(b[6], 1);
  EXPECT_EQ(b[9], 0);

  // Merged with lcov, every line of the game has run.
  if (std::system("lcov --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "lcov is not installed";
  std::string cmd = "lcov -q -a " + g.file("left.info") + " -a " + g.file("right.info") + " -o " + g.file("all.info") +
                    " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  auto all = executedLines(g.file("all.info"));
  EXPECT_EQ(all.size(), 7u);
  for (const auto& [line, count] : all) EXPECT_GT(count, 0) << "line " << line;
}

// The 1-based number of the first line of the demo's script holding `text` (UTF-8), or 0.
int demoLine(const std::string& text) {
  auto data = fs::readHostFile(std::string(VELORIA_TEST_DIR) + "/../demo/script.utf8.txt");
  if (!data) return 0;
  std::string script(data->begin(), data->end());
  size_t at = script.find(text);
  return at == std::string::npos ? 0 : 1 + static_cast<int>(std::count(script.begin(), script.begin() + at, '\n'));
}

TEST(CoverageOption, BothAnswersOfTheDemosChoiceCoverEveryLine) {
  const int select = demoLine("select "), wait = demoLine("「ええ、喜んで。」"), cold = demoLine("「本当に。");
  if (select == 0 || wait == 0 || cold == 0) GTEST_SKIP() << "the demo has no choice";
  // A copy, so that the settings the runs write stay out of the source tree.
  GameDir scratch;
  const std::string demo = scratch.path() + "/demo";
  std::filesystem::copy(std::string(VELORIA_TEST_DIR) + "/../demo", demo, std::filesystem::copy_options::recursive);
  const std::string first = scratch.path() + "/first.info", second = scratch.path() + "/second.info";
  // Autoplay takes the first answer and the first button. The second run clicks the second
  // button (340,210, 180 x 60), then the second answer (one text line, 28 pixels, lower than
  // the first): the button wait ends on the first click, the choice on the second.
  auto r = runVeloria("--headless --autoplay --timeout 600000 --coverage " + first + " " + demo);
  EXPECT_EQ(r.code, 0) << r.output;
  std::string clicks;
  for (int i = 0; i < 20; ++i) clicks += "wait 2500\nclick 430 240\nclick 100 385\n";
  scratch.write("second.input", clicks);
  r = runVeloria("--headless --timeout 600000 --input " + scratch.path() + "/second.input --coverage " + second + " " +
                 demo);
  EXPECT_EQ(r.code, 0) << r.output;
  auto a = executedLines(first), b = executedLines(second);
  EXPECT_GT(a[wait], 0);
  EXPECT_EQ(a[cold], 0);
  EXPECT_EQ(b[wait], 0);
  EXPECT_GT(b[cold], 0);
  if (std::system("lcov --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "lcov is not installed";
  std::string all = scratch.path() + "/all.info";
  ASSERT_EQ(std::system(("lcov -q -a " + first + " -a " + second + " -o " + all + " >/dev/null 2>&1").c_str()), 0);
  for (const auto& [line, count] : executedLines(all)) EXPECT_GT(count, 0) << "demo line " << line;
}

TEST(CoverageOption, CountsCarryOverWhenTheEngineStartsAgain) {
  // definereset reloads the script: the second cycle's lines add to the first's. (The label
  // log outlives the restart; the second cycle finds *again in it and ends.)
  CliGame g("*define\ngame\n*start\nif lchk *again end\n*again\ndefinereset\n");
  auto r = runVeloria("--headless --timeout 60000 --coverage " + g.file("c.info") + " " + g.path());
  EXPECT_EQ(r.code, 0) << r.output;
  auto lines = executedLines(g.file("c.info"));
  EXPECT_EQ(lines, (std::map<int, long>{{2, 2}, {4, 2}, {6, 1}}));
}

}  // namespace
}  // namespace veloria::test
