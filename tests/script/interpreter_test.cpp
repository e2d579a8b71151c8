// The interpreter loop: statements, story-text lines, dispatch, labels, traps, read marks,
// the two passes and the reset.
#include "script/script_internal.h"
#include "script_harness.h"

namespace veloria::test {
namespace {

std::string storyLine(ScriptHarness& h, std::string_view utf8) {
  h.load(utf8);
  return sjisToUtf8(buildStoryTextLine(h.e));
}

TEST(StoryText, NumbersInFullWidthDigits) {
  ScriptHarness h;
  h.e.script.numVars[1] = -305;
  EXPECT_EQ(storyLine(h, "値は%1です"), "値は－３０５です");
  h.e.script.numVars[1] = 0;
  EXPECT_EQ(storyLine(h, "%1"), "０");
  h.e.script.numVars[1] = INT32_MIN;
  EXPECT_EQ(storyLine(h, "%1"), "－２１４７４８３６４８");
  h.e.script.numVars[1] = 2;
  h.e.script.numVars[2] = 1000;
  EXPECT_EQ(storyLine(h, "%%1は"), "１０００は");
  EXPECT_EQ(storyLine(h, "[%2]"), "[１０００]");
  EXPECT_EQ(storyLine(h, "%1 %2"), "２１０００");  // the reader swallows the blank after a number
}

TEST(StoryText, TextEngineSequencesKeepTheirPercent) {
  ScriptHarness h;
  h.e.script.numVars[3] = 9;
  EXPECT_EQ(storyLine(h, "あ!s%3い%3"), "あ!s%3い９");
  EXPECT_EQ(storyLine(h, "!w%3"), "!w%3");
}

TEST(StoryText, StringVariablesSwallowTheBlanksAfterThem) {
  ScriptHarness h;
  h.e.script.strVars[0] = sjisOf("名前");
  EXPECT_EQ(storyLine(h, "$0  さん"), "名前さん");
  h.load("あいう\nえお");
  buildStoryTextLine(h.e);
  EXPECT_EQ(currentByte(h.e), '\n');  // the line feed is left for the loop
}

TEST(StoryText, TextGosubEndsTheLineAtAWait) {
  ScriptHarness h;
  h.e.script.textGosubOn = 1;
  h.load("あ@い\\う");
  EXPECT_EQ(sjisToUtf8(buildStoryTextLine(h.e)), "あ@");
  EXPECT_EQ(sjisToUtf8(buildStoryTextLine(h.e)), "い\\");
  EXPECT_EQ(sjisToUtf8(buildStoryTextLine(h.e)), "う");
  // A full-width space is 0x81 0x40: its second byte is no click wait.
  EXPECT_EQ(storyLine(h, "　ソ@"), "　ソ@");
  h.e.script.textGosubOn = 0;
  EXPECT_EQ(storyLine(h, "あ@い\\う"), "あ@い\\う");
}

TEST(StoryText, LongExpansionsAreCutAtACharacter) {
  ScriptHarness h;
  h.e.script.strVars[0] = std::string(4095, 'a');
  std::string kanji;
  for (int i = 0; i < 2000; ++i) kanji += "漢";
  h.e.script.strVars[1] = sjisOf(kanji);
  std::string many;
  for (int i = 0; i < 40; ++i) many += "$0";
  h.load("x" + many + "\nnext");
  EXPECT_EQ(buildStoryTextLine(h.e).size(), kMaxTextLineBytes);
  EXPECT_EQ(currentByte(h.e), '\n');  // the whole script line is consumed
  many.clear();
  for (int i = 0; i < 20; ++i) many += "$1";
  h.load("xy" + many);
  EXPECT_EQ(buildStoryTextLine(h.e).size(), kMaxTextLineBytes - 1);  // no half character
}

TEST(Interpreter, StatementsSeparatorsAndMarkers) {
  ScriptHarness h;
  EXPECT_EQ(h.run(game("mov %0,1:mov %1,2 ~ mov %2,3\n~\nMOV %3,4\n;mov %4,5\nmov %5,6あいう")), 0);
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.num(1), 2);
  EXPECT_EQ(h.num(2), 3);
  EXPECT_EQ(h.num(3), 4);
  EXPECT_EQ(h.num(4), 0);
  EXPECT_EQ(h.num(5), 6);
}

TEST(Interpreter, UnknownWordsAndTheVoiceShorthand) {
  ScriptHarness h;
  EXPECT_EQ(h.run(game("noloaderror:v12")), 0);
  EXPECT_EQ(h.e.sound.clickStopsWave, 1);
  EXPECT_EQ(h.run(game("bogus 1")), 1);
  EXPECT_EQ(h.errorCaption(), "構文エラー");
  EXPECT_EQ(h.errorHead(), "不正な命令\"bogus\"です。");
}

TEST(Interpreter, PassesAndTheirErrors) {
  ScriptHarness h;
  EXPECT_EQ(h.run("*start\nend\n"), 1);
  EXPECT_EQ(h.errorCaption() + "|" + h.errorHead(), "ラベルエラー|ラベル*defineは存在しません");
  EXPECT_EQ(h.run("*define\ngame\n"), 1);
  EXPECT_EQ(h.errorHead(), "ラベル*startは存在しません");
  EXPECT_EQ(h.run("*define\nこんにちは\ngame\n*start\nend\n"), 1);
  EXPECT_EQ(h.errorCaption() + "|" + h.errorHead(), "定義ブロックエラー|*defineブロックには、表示文はおけません。");
  EXPECT_EQ(h.run("*define\ngame\n*start\nmov %0,1\n"), 1);
  EXPECT_EQ(h.errorCaption() + "|" + h.errorHead(), "スクリプトエラー|ファイルの終端に達しました。");
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.run(""), 1);  // no script at all
  EXPECT_EQ(h.errorHead(), "ラベル*defineは存在しません");
}

TEST(Interpreter, DefineresetEndsTheGamePass) {
  ScriptHarness h;
  EXPECT_EQ(h.run(game("mov %0,1\ndefinereset\nmov %0,2")), -1);
  EXPECT_EQ(h.e.app.quitRequested, 1);
  EXPECT_EQ(h.num(0), 1);
}

TEST(Interpreter, LabelLogRecordsEachLabelOnce) {
  ScriptHarness h;
  EXPECT_EQ(h.run(game("*Loop\ninc %0\nif %0 < 3 goto *loop\ngoto *Sub/x\n*sub\nend")), 0);
  // "*Sub/x": the word stops at '/', so the jump is to *sub and "/x" is left as text.
  const auto& log = h.e.script.labelLog;
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "DEFINE");
  EXPECT_EQ(log[1], "START");
  EXPECT_EQ(log[2], "LOOP");
  EXPECT_EQ(log[3], "SUB");
  EXPECT_EQ(h.num(0), 3);
}

TEST(Interpreter, LabelLogStaysBounded) {
  ScriptHarness h;
  for (int i = 0; i < 4100; ++i) logLabel(h.e, "l" + std::to_string(i));
  EXPECT_EQ(h.e.script.labelLog.size(), kMaxLogEntries);
  EXPECT_TRUE(labelLogged(h.e, "L3999"));
  EXPECT_FALSE(labelLogged(h.e, "l4000"));
  EXPECT_EQ(normalizeLogName("bgm/a.mid"), "BGM\\A.MID");
  EXPECT_EQ(normalizeLogName(sjisOf("ソa")), sjisOf("ソA"));  // 0x83 0x5C keeps its second byte
}

TEST(Interpreter, ResetReturnsToStartKeepingGlobals) {
  ScriptHarness h;
  const char* script =
      "*define\ngame\n*start\ninc %300\nif %300 == 2 end\nmov %0,5:mov $1,\"x\":gosub *sub\n*sub\nreset\n";
  EXPECT_EQ(h.run(script), 0);
  EXPECT_EQ(h.num(300), 2);
  EXPECT_EQ(h.num(0), 0);
  EXPECT_EQ(h.str(1), "");
  EXPECT_EQ(h.e.script.callStack.depth, 0);
}

TEST(Interpreter, ResetRequestedBeforeACommand) {
  ScriptHarness h;
  h.load(game("mov %0,7"));
  resetEngine(h.e);
  h.e.script.numVars[1] = 3;
  h.e.script.resetRequested = 1;
  dispatchCommand(h.e, "mov", false);  // carries out the reset instead of the command
  EXPECT_EQ(h.e.script.resetRequested, 0);
  EXPECT_EQ(h.num(1), 0);
  EXPECT_EQ(h.num(0), 0);
}

TEST(Interpreter, ClickTrap) {
  const char* script = "*define\ngame\n*start\n*spin\ngoto *spin\n*trapped\nend\n";
  {
    ScriptHarness h;  // a queued left-button release fires an armed trap
    h.load(script);
    h.e.script.pendingTrapLabel = "Trapped";
    h.platform().postMessage(WM_LBUTTONUP);
    EXPECT_EQ(h.exitCodeOf([&] {
      resetEngine(h.e);
      h.e.script.pendingTrapLabel = "Trapped";
      runInterpreter(h.e, false);
    }),
              0);
    EXPECT_TRUE(h.e.script.pendingTrapLabel.empty());
  }
  {
    ScriptHarness h;  // advanceRequested fires it too and is cleared
    h.load(script);
    EXPECT_EQ(h.exitCodeOf([&] {
      resetEngine(h.e);
      h.e.script.pendingTrapLabel = "trapped";
      h.e.text.advanceRequested = 1;
      runInterpreter(h.e, false);
    }),
              0);
    EXPECT_EQ(h.e.text.advanceRequested, 0);
  }
  {
    ScriptHarness h(200);  // a stopped trap only remembers the click
    h.load(script);
    EXPECT_EQ(h.exitCodeOf([&] {
      resetEngine(h.e);
      h.e.script.pendingTrapLabel = "trapped";
      h.e.script.trapState = TrapState::Stopped;
      h.e.text.menuRequested = 1;
      h.e.script.lrTrap = 1;
      runInterpreter(h.e, false);
    }),
              3);  // spins until the time limit
    EXPECT_EQ(h.e.script.trapState, TrapState::StoppedClicked);
    EXPECT_EQ(h.e.text.menuRequested, 0);
    EXPECT_EQ(h.e.script.pendingTrapLabel, "trapped");
  }
}

TEST(Interpreter, ReadMarksStopSkipModeAtUnreadText) {
  ScriptHarness h;
  h.load(game("mov %0,1"));
  resetEngine(h.e);
  h.e.save.readMarks.assign(8, 0);
  h.e.text.skipMode = 1;
  EXPECT_EQ(h.exitCodeOf([&] { runInterpreter(h.e, false); }), 0);
  EXPECT_EQ(h.e.text.skipMode, 0);
  uint32_t start = static_cast<uint32_t>(findLabel(h.e, "start"));
  EXPECT_TRUE(h.e.save.readMarks[start / 8] & (1u << (start % 8)));
}

TEST(Interpreter, StalePositionFromOutsideIsHeldInsideTheScript) {
  ScriptHarness h;
  h.load(game(""));
  h.e.script.scriptPos = 0xFFFFFF;
  EXPECT_EQ(h.exitCodeOf([&] { runInterpreter(h.e, false); }), 1);
  EXPECT_EQ(h.errorHead(), "ファイルの終端に達しました。");
}

}  // namespace
}  // namespace veloria::test
