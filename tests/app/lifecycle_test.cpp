// Whole runs of the program: start-up, the engine cycle, the window procedure and shut-down.
#include <gtest/gtest.h>

#include "app/app.h"
#include "engine/engine.h"
#include "support/game_runner.h"

using namespace veloria;
using namespace veloria::test;

namespace {
GameFiles game(const std::string& script) { return {{"0.txt", sjisText(script)}}; }
}  // namespace

TEST(Lifecycle, EndCommandEndsTheRunNormally) {
  auto run = runGame(game("*define\ngame\n*start\nend\n"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.errorCaption.empty());
  EXPECT_NE(run.dump.find("\"engineCycles\":1"), std::string::npos);
}

TEST(Lifecycle, ScriptErrorExitsWithOneAndReportsFileAndLineOnStderr) {
  GameFiles files{{"0.txt", sjisText("*define\ngame\n")}, {"1.txt", sjisText("*start\n\n\nnosuchcommand\n")}};
  auto run = runGame(files);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.errorCaption, "構文エラー");
  EXPECT_NE(run.errorMessage.find("不正な命令\"nosuchcommand\"です。"), std::string::npos);
  EXPECT_NE(run.errorMessage.find("1.txt line:4"), std::string::npos);
  EXPECT_NE(run.stderrText.find("1.txt line:4"), std::string::npos);
  EXPECT_NE(run.stderrText.find("構文エラー"), std::string::npos);
  EXPECT_NE(run.dump.find("\"caption\":\"構文エラー\""), std::string::npos);
}

TEST(Lifecycle, ErrorInTheDefineBlockComesBeforeTheWindowIsShown) {
  bool shown = true;
  RunOptions o;
  o.inspect = [&](Engine& e) { shown = e.platform.windowShown(); };
  auto run = runGame(game("*define\nbogus\ngame\n*start\nend\n"), o);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_FALSE(shown);
  EXPECT_NE(run.errorMessage.find("0.txt line:2"), std::string::npos);
}

TEST(Lifecycle, DefineResetRunsTheWholeCycleAgainAndDropsLocalState) {
  int cycles = 0;
  int32_t windowTimer = 0, seenNumber = -1;
  std::string seenString = "?";
  RunOptions o;
  o.inspect = [&](Engine& e) {
    cycles = e.app.engineCycles;
    windowTimer = e.platform.timerRunning(1);
    seenNumber = e.script.numVars[6];
    seenString = e.script.strVars[6];
  };
  o.timeoutMs = 2000;
  // Each cycle shows the window and waits 505 ms before the game starts again. Every game
  // pass copies what the last one left in %5 and $5; the second one (at 1010 ms) stays.
  auto run = runGame(game("*define\ngame\n*start\nmov %6,%5\nmov $6,$5\ngettimer %7\nif %7 >= 1000 goto *stay\n"
                          "mov %5,7\nmov $5,\"kept\"\ndefinereset\n*stay\nwait 100\ngoto *stay\n"),
                     o);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(cycles, 2);
  EXPECT_TRUE(windowTimer);
  EXPECT_EQ(seenNumber, 0);
  EXPECT_EQ(seenString, "");
}

TEST(Lifecycle, Mode800OnlyAtTheVeryFirstByte) {
  int w = 0, h = 0;
  RunOptions o;
  o.inspect = [&](Engine& e) {
    w = e.app.screenWidth;
    h = e.app.screenHeight;
  };
  auto run = runGame(game(";mode800\n*define\ngame\n*start\nend\n"), o);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  EXPECT_EQ(run.width, 800);
  EXPECT_EQ(run.height, 600);
  runGame(game(" ;mode800\n*define\ngame\n*start\nend\n"), o);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
}

TEST(Lifecycle, ConfigFileAndDebugMarker) {
  int fadeOff = -1, debug = -1;
  RunOptions o;
  o.inspect = [&](Engine& e) {
    fadeOff = e.app.cdFadeOff;
    debug = e.app.debugMode;
  };
  GameFiles files = game("*define\ngame\n*start\nend\n");
  runGame(files, o);
  EXPECT_EQ(fadeOff, 0);
  EXPECT_EQ(debug, 0);
  files["config.txt"] = "# settings\r\ncdfadeoff and more\r\n";
  files["DEBUG.314"] = "";
  runGame(files, o);
  EXPECT_EQ(fadeOff, 1);
  EXPECT_EQ(debug, 1);
  files["config.txt"] = " cdfadeoff\n";
  runGame(files, o);
  EXPECT_EQ(fadeOff, 0);
  // A long line is read in pieces of 254 bytes; each piece is a line of its own.
  files["config.txt"] = std::string(254, 'x') + "cdfadeoff\n";
  runGame(files, o);
  EXPECT_EQ(fadeOff, 1);
  files["config.txt"] = std::string(253, 'x') + "cdfadeoff\n";
  runGame(files, o);
  EXPECT_EQ(fadeOff, 0);
}

TEST(Lifecycle, SecondCopyIsRefused) {
  RunOptions o;
  o.holdInstanceLock = true;
  auto run = runGame(game("*define\ngame\n*start\nend\n"), o);
  EXPECT_EQ(run.exitCode, kExitAlreadyRunning);
  EXPECT_NE(run.stderrText.find("同時に二つ実行しないでください"), std::string::npos);
  EXPECT_NE(run.stderrText.find("起動エラー"), std::string::npos);
}

TEST(Lifecycle, TimeoutEndsWithThreeAndStillDumps) {
  RunOptions o;
  // A game that never waits spends its time a statement at a time: a limit just past the
  // start-up's half second keeps the test quick.
  o.timeoutMs = 600;
  auto run = runGame(game("*define\ngame\n*start\n*l\ngoto *l\n"), o);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.endTimeMs, 600u);
  EXPECT_NE(run.dump.find("\"error\":null"), std::string::npos);
}

TEST(WindowProcedure, CloseAsksAndNoKeepsTheGameRunning) {
  RunOptions o;
  o.input = "wait 1000\nanswer no\nclose\nwait 1000\nanswer yes\nclose\n";
  o.timeoutMs = 10000;
  // The game loops for ever; only the second close (answered yes) ends it.
  auto run = runGame(game("*define\ngame\n*start\n*l\nwait 10\ngoto *l\n"), o);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.endTimeMs, 2000u);
  size_t first = run.stderrText.find("終了しますか？");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(run.stderrText.find("終了しますか？", first + 1), std::string::npos);
}

TEST(WindowProcedure, MenuRadioGroupsAndSettings) {
  RunOptions o;
  // The run ends by the time limit: a quit would destroy the menu before we look at it.
  o.input = "wait 600\nmenu 40016\nmenu 40018\nmenu 40007\nmenu 40022\nmenu 40002\nmenu 40102\n";
  o.timeoutMs = 1000;
  int speed = -1, wave = -1, page = -1, cd = -1, full = -1;
  bool fastChecked = false, normalChecked = true, offChecked = false, fullChecked = false, windowChecked = true;
  bool smoothChecked = false, sharpChecked = true;
  ScaleMode scale = ScaleMode::Sharp;
  int screenW = 0;
  o.inspect = [&](Engine& e) {
    speed = e.text.menuSpeedIndex;
    wave = e.sound.waveOn;
    page = e.text.pageOnlyMode;
    cd = e.sound.cdEnabled;
    full = e.appWindow.fullScreen;
    auto& m = e.platform.menu();
    fastChecked = m.isChecked(IDM_SPEED_FAST);
    normalChecked = m.isChecked(IDM_SPEED_NORMAL);
    offChecked = m.isChecked(IDM_WAVE_OFF);
    fullChecked = m.isChecked(IDM_FULLSCREEN);
    windowChecked = m.isChecked(IDM_WINDOWED);
    smoothChecked = m.isChecked(IDM_SCALE_SMOOTH);
    sharpChecked = m.isChecked(IDM_SCALE_SHARP);
    scale = e.platform.scaleMode();
    screenW = e.platform.clientWidth();
  };
  auto run = runGame(game("*define\ngame\n*start\n*l\nwait 10\ngoto *l\n"), o);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(speed, 2);
  EXPECT_EQ(wave, 0);
  EXPECT_EQ(page, 1);
  EXPECT_EQ(cd, 0);
  EXPECT_EQ(full, 1);
  EXPECT_TRUE(fastChecked);
  EXPECT_FALSE(normalChecked);
  EXPECT_TRUE(offChecked);
  EXPECT_TRUE(fullChecked);
  EXPECT_FALSE(windowChecked);
  // The magnification is a radio pair of its own beside full screen; the game's picture
  // keeps its size whatever the window does with it.
  EXPECT_TRUE(smoothChecked);
  EXPECT_FALSE(sharpChecked);
  EXPECT_EQ(scale, ScaleMode::Smooth);
  EXPECT_EQ(screenW, 640);
}

TEST(WindowProcedure, ClicksEndSkipModeBeforeTheyAdvance) {
  RunOptions o;
  // Skip to the next choice, then one click ends skip mode and is not passed on.
  o.input = "wait 600\nmenu 40006\nwait 10\nclick 5 5\nwait 10\nquit\n";
  int skip = -1, advance = -1;
  o.inspect = [&](Engine& e) {
    skip = e.text.skipMode;
    advance = e.text.advanceRequested;
  };
  runGame(game("*define\ngame\n*start\n*l\nwait 10\ngoto *l\n"), o);
  EXPECT_EQ(skip, 0);
  EXPECT_EQ(advance, 0);
}

TEST(WindowProcedure, VersionBoxShowsTheTwoLines) {
  RunOptions o;
  o.input = "wait 600\nmenu 40005\nwait 10\nquit\n";
  auto run = runGame(game("*define\nversionstr \"Demo 1\",\"by us\"\ngame\n*start\n*l\nwait 10\ngoto *l\n"), o);
  EXPECT_NE(run.stderrText.find("[バージョン情報] Demo 1\nby us"), std::string::npos);
}
