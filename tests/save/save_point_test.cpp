// The save point between statements keeps only what changed since the previous one; its image
// must stay byte for byte the one of the whole state. Every save point of these runs is
// checked against a whole capture taken at the same moment (SaveState::checkSavePoints).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "../text/text_harness.h"
#include "save/save.h"

namespace veloria::test {
namespace {

// Text window over the whole screen, instant text: row 0 is at y = 16..42.
const std::string kWindow = "setwindow 8,16,23,16,26,26,0,2,0,1,0,#ffffff,0,0,639,479\n";
constexpr int kClickX = 20, kClickY = 26;

std::string clicks(int n) {
  std::string in;
  for (int i = 0; i < n; ++i) in += "click " + std::to_string(kClickX) + " " + std::to_string(kClickY) + "\nwait 20\n";
  return in;
}

// A long script of random statements: arithmetic and strings on the saved variables (and a
// global one), bounds that clamp another variable, nested subroutines, scene, sprite, bar and
// colour commands, story text with click and page waits, choices, and saving turned off and
// on. The body runs several times with different values.
class RandomScript {
 public:
  // `extended`: the later dialect with its border at 300, so the game's own variables 200..299
  // are saved too, plus loops and a user command whose frames the save keeps typed.
  explicit RandomScript(uint32_t seed, bool extended = false) : rng_(seed), extended_(extended) {}

  std::string build(int statements) {
    std::string s = extended_ ? ";value 300\n*define\ndefsub addup\ngame\n*start\n" + kWindow
                              : "*define\ngame\n*start\n" + kWindow;
    s += "mov %300,0\nmov %6,500\nintlimit 6,0,100\n*again\n";
    for (int i = 0; i < statements; ++i) s += statement(true);
    pageBreak(s);
    s += "saveon\ninc %300\nif %300 < 4 goto *again\nend\n";
    for (int k = 0; k < kSubs; ++k) {
      s += "*sub" + std::to_string(k) + "\n";
      for (int i = 0; i < 6; ++i) s += statement(false);
      if (k + 1 < kSubs && pick(2) == 0) s += "gosub *sub" + std::to_string(k + 1) + "\n";
      s += "return\n";
    }
    if (extended_) s += "*addup\ngetparam %7,%8\nadd %7,%8\nfor %9 = 1 to 2\nadd %210,%9\nnext\nreturn\n";
    return s;
  }

 private:
  static constexpr int kSubs = 4;

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  std::string num(int n) { return std::to_string(pick(n)); }
  // Mostly a few low ones, so values build up; now and then a high saved one or a global.
  std::string var() {
    if (pick(8) != 0) return std::to_string(pick(12));
    if (extended_ && pick(2)) return std::to_string(200 + pick(100));
    return std::to_string(pick(3) ? 150 + pick(50) : extended_ ? 350 : 250);
  }
  std::string word() {
    static const char* const words[] = {"", "a", "もじ", "長めの文字列", "x1", "-42", "  7"};
    return std::string("\"") + words[pick(7)] + "\"";
  }
  void pageBreak(std::string& s) {
    if (!pageEmpty_) s += "ページの終わり\\\n";
    pageEmpty_ = true;
  }

  // One statement; `main` allows waits, scene changes and jumps (subroutines only compute).
  std::string statement(bool main) {
    // Subroutines call only the next one down (in build), never themselves.
    const int kinds = main ? 30 : 14;
    if (extended_ && main && pick(6) == 0) {
      if (pick(2)) return "for %" + std::to_string(20 + pick(3)) + " = 1 to " + num(4) + " : inc %" + var() + " : next\n";
      return "addup " + num(9) + "," + num(9) + "\n";
    }
    switch (pick(kinds)) {
      case 0: return "mov %" + var() + "," + num(1000) + "\n";
      case 1: return "add %" + var() + "," + num(50) + ":sub %" + var() + ",%" + var() + "\n";
      case 2: return "inc %" + var() + "\ndec %" + var() + "\n";
      case 3: return "mul %" + var() + ",3:mod %" + var() + ",7:div %" + var() + ",2\n";
      case 4: return "mov $" + var() + "," + word() + "\n";
      case 5: return "add $" + var() + "," + word() + "\n";
      case 6: return "itoa $" + var() + ",%" + var() + ":len %" + var() + ",$" + var() + "\n";
      case 7: return "cmp %" + var() + ",$" + var() + ",$" + var() + ":atoi %" + var() + ",$" + var() + "\n";
      case 8: return "rnd %" + var() + ",100\n";
      case 9: return "mov %6," + num(300) + "\n";  // clamped by its bounds
      case 10: return "if %" + var() + " > " + num(500) + " mov %" + var() + ",1\n";
      case 11: return "notif %" + var() + " == 3 add $" + var() + ",\"n\"\n";
      case 12: return "mov3 %" + std::to_string(pick(9)) + "," + num(9) + "," + num(9) + "," + num(9) + "\n";
      case 13: return "; a comment\n\n";
      case 14: return "gosub *sub" + num(kSubs) + "\n";
      case 15: return "jumpf\nmov %1,999\n~\n";
      case 16: return "lsp " + num(6) + ",\"sp.bmp\"," + num(600) + "," + num(400) + "\n";
      case 17: return "csp " + num(6) + "\n";
      case 18: {
        const std::string n = num(6);
        return "lsph " + n + ",\"sp.bmp\",1,2:vsp " + n + "," + num(2) + ":msp " + n + ",5,-3\n";
      }
      case 19: return "bg #" + std::string(pick(2) ? "336699" : "102030") + ",1\n";
      case 20: return "ld " + std::string(pick(2) ? "l" : "r") + ",\"st.bmp\",1\n";
      case 21: return "cl a,1\n";
      case 22: return "bar " + num(4) + ",%" + var() + ",10,10,100,8,1000,#ff0000\n";
      case 23: return pick(2) ? "monocro #808080\n" : "monocro off\n";
      case 24: return "nega " + num(2) + "\n";
      case 25: {
        pageEmpty_ = false;
        return "文字を" + std::to_string(pick(100)) + "個@\n";
      }
      case 26: {
        std::string s;
        pageBreak(s);
        return s;
      }
      case 27: {
        std::string s;
        pageBreak(s);
        const std::string n = std::to_string(labels_++);
        s += "select \"はい\",*ya" + n + ",\"いいえ\",*yb" + n + "\n*ya" + n + "\nmov %" + var() +
             ",1\ngoto *ye" + n + "\n*yb" + n + "\nmov %" + var() + ",2\n*ye" + n + "\n";
        return s;
      }
      case 28: return pick(3) ? "saveon\n" : "saveoff\n";
      default: return "mov $" + var() + ",$" + var() + "\n";
    }
  }

  std::mt19937 rng_;
  bool extended_ = false;
  bool pageEmpty_ = true;
  int labels_ = 0;
};

GameFiles sceneFiles() { return {{"sp.bmp", solidBmp(16, 16, 0x00AA00)}, {"st.bmp", solidBmp(40, 80, 0xAA0000)}}; }

void checkEverySavePoint(Engine& e) { e.save.checkSavePoints = true; }

TEST(SavePoints, AKeptImageEqualsTheWholeStateAtEverySavePointOfARandomGame) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    useGameFiles(sceneFiles());
    const std::string script = RandomScript(seed).build(400);
    auto r = runText(script, clicks(3000), 600000, checkEverySavePoint);
    ASSERT_TRUE(r.ended) << "seed " << seed << (r.timedOut ? ": timed out" : "");
    ASSERT_EQ(r.exitCode, 0) << "seed " << seed << ": " << r.errorCaption() << " " << r.errorMessage();
    EXPECT_GT(r.e().save.savePointsChecked, 2000u) << "seed " << seed;
    EXPECT_EQ(r.e().save.savePointMismatches, 0u) << "seed " << seed;
  }
  // The later dialect: the saved variables past 200, loop and user-command frames.
  for (uint32_t seed : {4u, 5u}) {
    useGameFiles(sceneFiles());
    const std::string script = RandomScript(seed, true).build(400);
    auto r = runText(script, clicks(3000), 600000, checkEverySavePoint);
    ASSERT_TRUE(r.ended) << "seed " << seed << (r.timedOut ? ": timed out" : "");
    ASSERT_EQ(r.exitCode, 0) << "seed " << seed << ": " << r.errorCaption() << " " << r.errorMessage();
    EXPECT_GT(r.e().save.savePointsChecked, 2000u) << "seed " << seed;
    EXPECT_EQ(r.e().save.savePointMismatches, 0u) << "seed " << seed;
  }
}

// A command registered without the script-only mark may change anything: the save point
// after it takes the whole state again. One wrongly marked is caught by the check.
void cmdPaintBackground(Engine& e, std::string_view, bool) { e.gfx.backgroundName = "#" + std::to_string(e.script.scriptPos % 10) + "00000"; }
void cmdSneakyWrite(Engine& e, std::string_view, bool) { e.script.numVars[3] = static_cast<int32_t>(e.script.scriptPos); }

TEST(SavePoints, ACommandNotMarkedScriptOnlyMakesTheNextSavePointWhole) {
  const std::string body = "*define\ngame\n*start\nmov %1,1\npaintbg\nmov %2,2\npaintbg:paintbg\nsneak\nmov %4,4\nend\n";
  auto r = runText(body, "", 120000, [](Engine& e) {
    checkEverySavePoint(e);
    e.commands.add("paintbg", cmdPaintBackground, "");
    e.commands.add("sneak", cmdSneakyWrite, "");
  });
  ASSERT_EQ(r.exitCode, 0) << r.errorMessage();
  EXPECT_GT(r.e().save.savePointsChecked, 3u);
  EXPECT_EQ(r.e().save.savePointMismatches, 0u);

  auto wrong = runText(body, "", 120000, [](Engine& e) {
    checkEverySavePoint(e);
    e.commands.add("paintbg", cmdPaintBackground, "");
    e.commands.add("sneak", cmdSneakyWrite, "");
    e.commands.markScriptOnly("sneak");
  });
  ASSERT_EQ(wrong.exitCode, 0) << wrong.errorMessage();
  EXPECT_GT(wrong.e().save.savePointMismatches, 0u);
}

// The call stack is copied only above the part unchanged since the last save point: a return
// followed by a gosub from elsewhere rewrites an entry below the old top.
TEST(SavePoints, TheCallStackIsKeptAcrossReturnsAndNewCalls) {
  const std::string script =
      "*define\ngame\n*start\ngosub *a\ngosub *b\ngosub *a\nend\n"
      "*a\ngosub *b\nmov %1,1\nreturn\n"
      "*b\nmov %2,2\ngosub *c\nreturn\n"
      "*c\nmov $3,\"c\"\nreturn\n";
  auto r = runText(script, "", 120000, checkEverySavePoint);
  ASSERT_EQ(r.exitCode, 0) << r.errorMessage();
  EXPECT_GT(r.e().save.savePointsChecked, 20u);
  EXPECT_EQ(r.e().save.savePointMismatches, 0u);
}

}  // namespace
}  // namespace veloria::test
