// Choices driven headless with pointer moves and clicks: reading the options, layout, the
// highlight and its voices, the right-click action, the commands and the system-menu form.
#include <gtest/gtest.h>

#include <vector>

#include "support/game_runner.h"
#include "text_harness.h"
#include "voice_file.h"

namespace veloria::test {
namespace {

using Px = std::array<int, 3>;  // blue, green, red

// Text window over the whole screen with an untouched (black) backdrop, no shadow, instant
// text: column c, row r is at x = 8 + 26c, y = 16 + 28r.
const std::string kWindow = "setwindow 8,16,23,16,26,26,0,2,0,1,0,#ffffff,0,0,639,479\n";
constexpr int kRow0 = 16, kPitchY = 28;
int rowY(int row) { return kRow0 + kPitchY * row + 10; }

// What the engine looked like at each "dump" line of the input.
struct Snapshot {
  std::vector<std::string> options;  // UTF-8
  int highlighted = -1;
  std::string voice;  // the wave requested since the last snapshot
  int windowShown = 0;
  std::vector<Px> pixels;  // the probe pixels
  std::vector<int> coverage;
};

struct Probe {
  std::vector<Snapshot> shots;
  std::vector<std::pair<int, int>> points;  // probe pixels
  std::function<void(Engine&)> setup(std::function<void(Engine&)> more = {}) {
    return [this, more](Engine& e) {
      e.platform.onDumpRequest = [this, &e](const std::string&) {
        Snapshot s;
        for (const auto& o : e.text.openChoice) s.options.push_back(sjisToUtf8(o));
        s.highlighted = e.text.openChoiceHighlight;
        s.voice = e.sound.waveName;
        e.sound.waveName.clear();
        s.windowShown = e.text.windowShown;
        for (auto [x, y] : points) {
          s.pixels.push_back(displayPixel(e, x, y));
          s.coverage.push_back(coverageAt(e, x, y));
        }
        shots.push_back(s);
      };
      if (more) more(e);
    };
  }
};

TEST(ChoiceOptions, EmptyOptionsAreDroppedWithTheirLabelsAndListsSpanLines) {
  // Three options, the second an empty variable: two are shown and the second shown one
  // goes to the third label. The list continues on the next script line after a comma.
  Probe p;
  auto r = runText(game(kWindow + "select \"あ\",*a,$1,*b,\n   \"う\",*c\nmov %9,1\nend\n"
                                  "*a\nmov %0,1\nend\n*b\nmov %0,2\nend\n*c\nmov %0,3\nend\n"),
                   "wait 300\ndump x\nclick 20 " + std::to_string(rowY(1)) + "\n", 120000, p.setup());
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 3);
  EXPECT_EQ(var(r.e(), 9), 0);
  ASSERT_EQ(p.shots.size(), 1u);
  EXPECT_EQ(p.shots[0].options, (std::vector<std::string>{"あ", "う"}));
  // The choice left the window cleared and one page mark; the options are not logged.
  EXPECT_EQ(r.e().text.cursorLine, 0);
  EXPECT_EQ(logText(r.e()), "|");
  EXPECT_TRUE(r.e().text.openChoice.empty());

  // Every option hidden: nothing to choose, the script goes on; selnum stores -1.
  r = runText(game("select $1,*a,$2,*b\nselnum %1,$3\nmov %2,7\nend\n*a\n*b\nmov %0,1\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 0);
  EXPECT_EQ(var(r.e(), 1), -1);
  EXPECT_EQ(var(r.e(), 2), 7);
}

TEST(ChoiceLayout, OptionsStartOnTheCursorLineAndLongOnesTakeTwoRows) {
  // After a page wait the options lie on rows 0, 1, 2, ...; the first, longer than a line,
  // takes rows 0 and 1, so the second starts on row 2. Either row of the first chooses it.
  const std::string opts = "\"一二三四五六七八九十一二三四五六七八九十一二三四五\",\"い\",\"う\"\n";
  auto r = runText(game(kWindow + "あ\\\nselnum %0," + opts + "selnum %1," + opts + "selnum %2," + opts + "end\n"),
                   "wait 300\nclick 1 1\nwait 300\nclick 30 " + std::to_string(rowY(1)) + "\nwait 300\nclick 30 " +
                       std::to_string(rowY(2)) + "\nwait 300\nclick 30 " + std::to_string(rowY(3)) + "\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 0);
  EXPECT_EQ(var(r.e(), 1), 1);
  EXPECT_EQ(var(r.e(), 2), 2);

  // The options start at the text cursor's column: left of it nothing is chosen.
  r = runText(
      game(kWindow + "あいう/\nselnum %0,\"え\",\"お\"\nend\n"),
      "wait 300\nclick 60 " + std::to_string(rowY(0)) + "\nwait 300\nclick 100 " + std::to_string(rowY(1)) + "\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 1);
}

TEST(ChoiceHighlight, PointerMovesSwapColoursAndPlayTheVoicesOnce) {
  useGameFiles({{"s.wav", tinyWav()}, {"o.wav", tinyWav()}, {"c.wav", tinyWav()}});
  Probe p;
  // Option 0's cell is x 8..33, y 16..41; option 1's is 28 pixels lower. Probe a row of
  // each through the glyph.
  for (int x = 8; x < 34; ++x) {
    p.points.push_back({x, 16 + 13});
    p.points.push_back({x, 16 + 28 + 13});
  }
  const std::string y0 = std::to_string(rowY(0)), y1 = std::to_string(rowY(1));
  auto r =
      runText(game(kWindow + "selectcolor #ff0000,#0000ff\nselectvoice \"s.wav\",\"o.wav\",\"c.wav\"\n"
                             "select \"■\",*a,\"■\",*b\nend\n*a\nmov %0,1\nend\n*b\nmov %0,2\nwait 100\nend\n"),
              "wait 300\ndump a\nmove 20 " + y0 + "\nwait 50\ndump b\nmove 30 " + y0 + "\nwait 50\ndump c\nmove 20 " +
                  y1 + "\nwait 50\ndump d\nmove 20 300\nwait 50\ndump e\nclick 20 300\nwait 50\nclick 400 " + y1 +
                  "\nwait 50\ndump f\nmove 20 " + y1 + "\nwait 50\nkey space\nwait 50\ndump g\n",
              120000, p.setup());
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 2);
  ASSERT_EQ(p.shots.size(), 7u);
  EXPECT_EQ(p.shots[6].voice, "c.wav");
  EXPECT_TRUE(p.shots[6].options.empty());
  const std::vector<int> highlighted{-1, 0, 0, 1, -1, -1};
  const std::vector<std::string> voices{"s.wav", "o.wav", "", "o.wav", "", ""};
  for (size_t i = 0; i < highlighted.size(); ++i) {
    EXPECT_EQ(p.shots[i].highlighted, highlighted[i]) << i;
    EXPECT_EQ(p.shots[i].voice, voices[i]) << i;
    EXPECT_EQ(p.shots[i].options.size(), 2u) << i;  // clicks outside chose nothing
  }
  // The looks, worked out from the blend: over a black backdrop a glyph pixel of coverage a
  // in colour v is v * a / 255. A redraw lays the new colour over the recomposed cell, which
  // still holds the old glyph: old * (255 - a) / 255 remains of it.
  auto mul = [](int a, int b) { return a * b / 255; };
  int full = 0;
  for (size_t k = 0; k < p.points.size(); ++k) {
    const bool second = k % 2 == 1;
    const int a = p.shots[0].coverage[k];
    if (a == 255) ++full;
    // Both blue at first.
    EXPECT_EQ(p.shots[0].pixels[k], (Px{a, 0, 0})) << k;
    // Option 0 red over the blue; option 1 still blue.
    const Px blue{a, 0, 0}, over0{mul(a, 255 - a), 0, a};
    EXPECT_EQ(p.shots[1].pixels[k], second ? blue : over0) << k;
    // Option 0 blue again over the red; option 1 red over the blue.
    Px back{a, 0, mul(a, 255 - a)};
    EXPECT_EQ(p.shots[3].pixels[k], second ? over0 : back) << k;
  }
  EXPECT_GT(full, 0);  // the probe crossed solid strokes, where the colours are exact
}

TEST(ChoiceRightClick, TheActionRunsAndTheChoiceGoesOn) {
  const std::string labels = "end\n*a\nmov %0,1\nend\n*b\nmov %0,2\nend\n";
  const std::string y1 = std::to_string(rowY(1));
  // The default action hides the window until a click; the choice then waits on.
  Probe p;
  auto r = runText(game(kWindow + "select \"あ\",*a,\"い\",*b\n" + labels),
                   "wait 300\nrclick 5 5\nwait 100\ndump a\nclick 5 5\nwait 100\ndump b\nclick 20 " + y1 + "\n", 120000,
                   p.setup());
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 2);
  ASSERT_EQ(p.shots.size(), 2u);
  EXPECT_EQ(p.shots[0].windowShown, 0);
  EXPECT_EQ(p.shots[1].windowShown, 1);
  EXPECT_EQ(p.shots[1].options.size(), 2u);

  // rgosub: the routine runs, and its return shows the choice again (not the statement
  // after it). The same for selgosub, whose own call then returns behind it.
  r = runText(game(kWindow + "rgosub *menu\nselgosub \"あ\",*a,\"い\",*b\nmov %3,1\nend\n"
                             "*menu\nadd %2,1\nreturn\n*a\nmov %0,1\nreturn\n*b\nmov %0,2\nreturn\n"),
              "wait 300\nrclick 5 5\nwait 300\nrclick 5 5\nwait 300\nclick 20 " + y1 + "\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 2), 2);
  EXPECT_EQ(var(r.e(), 0), 2);
  EXPECT_EQ(var(r.e(), 3), 1);
  EXPECT_EQ(r.e().script.callStack.depth, 0);
  EXPECT_EQ(r.e().script.interruptedWaitKind, InterruptedWait::Choice);

  // selnum after an `if` on the same line: the choice itself is made again.
  r = runText(game(kWindow + "rgosub *menu\nmov %5,1\nif %5==1 selnum %0,\"あ\",\"い\"\nmov %3,1\nend\n"
                             "*menu\nadd %2,1\nreturn\n"),
              "wait 300\nrclick 5 5\nwait 300\nclick 20 " + y1 + "\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 2), 1);
  EXPECT_EQ(var(r.e(), 0), 1);
  EXPECT_EQ(var(r.e(), 3), 1);
}

TEST(ChoiceModes, AChoiceEndsSkipAndAutoModeAndCselHandsOverItsOptions) {
  // Skip mode runs to the choice and stops there; in auto mode the first click chooses.
  const std::string y0 = std::to_string(rowY(0));
  const std::string y1 = std::to_string(rowY(1));
  auto r = runText(game(kWindow + "wait 10\nあ\\\nselnum %0,\"あ\",\"い\"\nend\n"),
                   "menu 40006\nwait 300\nclick 20 " + y0 + "\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.skipMode, 0);
  EXPECT_EQ(var(r.e(), 0), 0);
  r = runText(game(kWindow + "wait 10\nselnum %0,\"あ\",\"い\"\nend\n"), "menu 40019\nwait 300\nclick 20 " + y1 + "\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.autoMode, 0);
  EXPECT_EQ(var(r.e(), 0), 1);

  // csel: the options go to the script's *customsel (empty ones dropped); cselgoto jumps.
  r = runText(game("wait 10\ncsel \"あ\",*a,$1,*x,\"いう\",*b\nend\n*customsel\ngetcselnum %0\ncselgoto 1\nend\n"
                   "*a\nmov %1,1\nend\n*b\nmov %1,2\nend\n"),
              "menu 40019\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  EXPECT_EQ(var(e, 0), 2);
  EXPECT_EQ(var(e, 1), 2);
  EXPECT_EQ(e.text.autoMode, 0);
  EXPECT_EQ(e.save.savingAllowed, 0);
  EXPECT_EQ(cselCount(e), 2);
  ASSERT_NE(cselText(e, 1), nullptr);
  EXPECT_EQ(*cselText(e, 1), sj("いう"));
  EXPECT_EQ(cselText(e, 2), nullptr);
  EXPECT_EQ(cselText(e, -1), nullptr);
  // A later select keeps the csel options and their labels.
  r = runText(game(kWindow + "csel \"あ\",*a,\"い\",*b\n*customsel\nselnum %0,\"ほ\"\ncselgoto 1\nend\n"
                             "*a\nmov %1,1\nend\n*b\nmov %1,2\nend\n"),
              "wait 300\nclick 20 " + y0 + "\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 2);

  // selectcolor sets both colours.
  r = runText(game("selectcolor #102030,#405060\nend\n"));
  EXPECT_EQ(selectColors(r.e()).over, 0x102030u);
  EXPECT_EQ(selectColors(r.e()).normal, 0x405060u);
}

TEST(ChoiceErrors, BadArgumentsGiveTheirMessages) {
  struct Case {
    std::string script, caption, message;
  };
  const std::vector<Case> cases = {
      {"selectcolor #ffffff,ffffff\n", "エラー", "selectcolorのパラメータが違います。"},
      {"selectcolor 1,#ffffff\n", "エラー", "selectcolorのパラメータが違います。"},
      {"selnum 0,\"あ\"\n", "構文エラー", "selnumの第一引数は数値変数です。"},
      {"getcselnum $0\n", "構文エラー", "getcselnumの第一引数は数字変数です。"},
      {"cselgoto 0\n", "ラベルエラー", "ラベル*は存在しません"},
      {"csel \"あ\",*a\n", "ラベルエラー", "ラベル*customselは存在しません"},
  };
  for (const Case& c : cases) {
    auto r = runText(game(c.script + "end\n*a\nend\n"));
    EXPECT_EQ(r.errorCaption(), c.caption) << c.script;
    EXPECT_NE(r.errorMessage().find(c.message), std::string::npos) << c.script << r.errorMessage();
  }
  // selgosub with a full call stack, after the option is chosen.
  auto r = runText(game(kWindow + "*l\nadd %0,1\nif %0<=1000 gosub *l\nselgosub \"あ\",*a\nend\n*a\nreturn\n"),
                   "wait 300\nclick 20 " + std::to_string(rowY(0)) + "\n");
  EXPECT_EQ(r.errorCaption(), "スタックエラー");
  EXPECT_NE(r.errorMessage().find("gosub文のせいでスタックが溢れました。"), std::string::npos);
}

// The system-menu form, as the right-click menu will use it.
void menuCommand(Engine& e, std::string_view, bool) {
  std::vector<std::string> items{sj("はい"), sj("いいえ"), sj("たぶん")};
  e.script.numVars[0] = runChoice(e, items, ChoiceForm::SystemMenu);
}

TEST(ChoiceSystemMenu, CentredOnTheTintedFrameWithTheMenuLook) {
  useGameFiles({{"open.wav", tinyWav()}, {"cancel.wav", tinyWav()}, {"over.wav", tinyWav()}, {"pick.wav", tinyWav()}});
  auto setup = [](Engine& e) {
    e.commands.add("testmenu", menuCommand, "");
    e.ui.menuColors = {0xFF0000, 0x00FF00, 0x555599};
    e.ui.menuVoices[kMenuVoiceOpen] = "open.wav";
    e.ui.menuVoices[kMenuVoiceCancel] = "cancel.wav";
    e.ui.menuVoices[kMenuVoiceOver] = "over.wav";
    e.ui.menuVoices[kMenuVoiceChoose] = "pick.wav";
  };
  // Three items of at most 6 bytes: x from 320 - 26 * 6 / 4 = 281 to 359 (exclusive), item
  // i from y = 240 - (1 - i) * 28 for 28 pixels.
  Probe p;
  p.points = {{10, 10}, {280, 245}};
  auto r = runText(game("bg white,1\ntestmenu\nmov %1,%0\ntestmenu\nwait 100\nend\n"),
                   "wait 300\ndump a\nmove 300 245\nwait 50\ndump b\nmove 280 245\nwait 50\nclick 358 270\nwait 300\n"
                   "rclick 300 245\nwait 50\ndump c\n",
                   120000, p.setup(setup));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 2);
  EXPECT_EQ(var(r.e(), 0), -1);
  ASSERT_EQ(p.shots.size(), 3u);
  EXPECT_EQ(p.shots[2].voice, "cancel.wav");
  EXPECT_EQ(p.shots[0].voice, "open.wav");
  EXPECT_EQ(p.shots[1].voice, "over.wav");
  EXPECT_EQ(p.shots[1].highlighted, 1);
  // White tinted with the menu window's 0x999999; the text window stays as it was.
  EXPECT_EQ(p.shots[0].pixels[0], (Px{153, 153, 153}));
  EXPECT_EQ(p.shots[0].pixels[1], (Px{153, 153, 153}));
  EXPECT_EQ(p.shots[0].windowShown, 0);
}

TEST(ChoiceHarness, AutoplayTakesTheFirstOptionAndTheDumpShowsAnOpenChoice) {
  const std::string script =
      "*define\ngame\n*start\nselect \"はい\",*a,\"いいえ\",*b\n*a\nmov %0,1\nend\n*b\nmov %0,2\nend\n";
  RunOptions o;
  o.autoplay = true;
  o.timeoutMs = 60000;
  auto run = runGame({{"0.txt", sjisText(script)}}, o);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_NE(run.dump.find("\"numVars\":{\"0\":1}"), std::string::npos) << run.dump;
  EXPECT_NE(run.dump.find("\"choice\":null"), std::string::npos);

  o.autoplay = false;
  o.timeoutMs = 2000;
  o.input = "wait 500\nmove 20 50\n";
  run = runGame({{"0.txt", sjisText(script)}}, o);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.dump.find("\"choice\":{\"options\":[\"はい\",\"いいえ\"],\"highlighted\":1}"), std::string::npos)
      << run.dump;
  EXPECT_NE(run.dump.find("\"textLogPages\":0"), std::string::npos);
}

}  // namespace
}  // namespace veloria::test

namespace veloria::test {
namespace {

TEST(ChoiceKeys, ArrowsMoveTheHighlightRoundTheOptionsAndEnterOrSpaceTakesIt) {
  useGameFiles({{"o.wav", tinyWav()}});
  Probe p;
  // The pointer starts over no option: the first press (even Up) takes the first option and
  // Down from there the second; Up twice goes round to the last. Each move plays the hover
  // voice, as the pointer would.
  auto r = runText(game(kWindow + "selectvoice \"\",\"o.wav\",\"\"\nselnum %0,\"あ\",\"い\",\"う\"\n"
                                  "selnum %1,\"あ\",\"い\",\"う\"\nmov %2,1\nend\n"),
                   "wait 300\nkey up\nwait 50\ndump a\nkey down\nwait 50\ndump b\nkey up\nkey up\nwait 50\ndump c\n"
                   "key enter\nwait 300\ndump d\nkey down\nwait 50\nkey esc\nwait 50\ndump e\nkey space\nwait 300\n",
                   120000, p.setup());
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 2);
  ASSERT_EQ(p.shots.size(), 5u);
  EXPECT_EQ(p.shots[0].highlighted, 0);
  EXPECT_EQ(p.shots[0].voice, "o.wav");
  EXPECT_EQ(p.shots[1].highlighted, 1);
  EXPECT_EQ(p.shots[1].voice, "o.wav");
  EXPECT_EQ(p.shots[2].highlighted, 2);
  // The pointer followed the highlight: the next choice opens with the option under it lit,
  // and Down from the last goes round to the first. Esc is no input of a choice here.
  EXPECT_EQ(p.shots[3].highlighted, 2);
  EXPECT_EQ(p.shots[4].highlighted, 0);
  EXPECT_EQ(p.shots[4].options.size(), 3u);
  EXPECT_EQ(var(r.e(), 1), 0);
  EXPECT_EQ(var(r.e(), 2), 1);
  EXPECT_EQ(r.e().appWindow.lastY, rowY(0) - 10 + kPitchY / 2);
}

TEST(ChoiceKeys, AGamepadTakesAWholeChoice) {
  // Down three times and up once on the d-pad, then A: the second option.
  auto r = runText(game(kWindow + "selnum %0,\"あ\",\"い\",\"う\"\nend\n"),
                   "wait 300\npad down\npad down\npad down\nwait 20\npad up\nwait 20\npad a\nwait 300\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 1);
}

}  // namespace
}  // namespace veloria::test
