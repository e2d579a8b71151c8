// Script commands of waits, timers, the click trap and the auto and skip modes.
#include <algorithm>
#include <climits>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "engine/menu_ids.h"
#include "engine/wait_loop.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "text/text.h"
#include "text/text_internal.h"
#include "ui/ui.h"

namespace veloria {

namespace {

void cmdWait(Engine& e, std::string_view word, bool) { timedWait(e, readNumber(e), word == "delay"); }

// A click wait without the right-click action (a reset chosen meanwhile is carried out by
// the interpreter once the statement is over).
void plainClick(Engine& e) {
  RightClickAction saved = rightClickAction(e);
  setRightClickAction(e, RightClickAction::Nothing);
  clickWait(e);
  setRightClickAction(e, saved);
}

void cmdClick(Engine& e, std::string_view, bool) { plainClick(e); }

void cmdClickpos(Engine& e, std::string_view, bool) {
  int32_t vx = readNumVarRef(e, "clickposの第一引数は数字変数です。");
  expectComma(e);
  int32_t vy = readNumVarRef(e, "clickposの第ニ引数は数字変数です。");
  plainClick(e);
  setNumVar(e, vx, e.text.clickPos.x);
  setNumVar(e, vy, e.text.clickPos.y);
}

void cmdResettimer(Engine& e, std::string_view, bool) { e.text.timerBase = e.platform.timeGetTime(); }

void cmdWaittimer(Engine& e, std::string_view, bool) {
  const int32_t ms = readNumber(e);
  const uint32_t base = e.text.timerBase;
  WaitSetup setup;
  setup.before = [&e, base, ms](const WaitPass&) {
    return static_cast<int64_t>(static_cast<int32_t>(e.platform.timeGetTime() - base)) >= ms;
  };
  setup.deadline = [base, ms](const WaitPass&) { return base + static_cast<uint32_t>(std::max(ms, 0)); };
  runWaitLoop(e, setup);
}

void cmdGettimer(Engine& e, std::string_view, bool) {
  int32_t v = readNumVarRef(e, "gettimerの引数は数字変数です。");
  setNumVar(e, v, static_cast<int32_t>(e.platform.timeGetTime() - e.text.timerBase));
}

void armTrap(Engine& e, std::string label, bool lr) {
  armClickTrap(e, std::move(label), lr);
  dropQueuedClicks(e);
}

void cmdTrap(Engine& e, std::string_view word, bool) {
  skipBlanks(e);
  if (currentByte(e) == '*' || word == "lr_trap") {
    armTrap(e, readLabel(e), word == "lr_trap");
    return;
  }
  std::string arg = readWord(e);
  if (arg == "off") {
    disarmClickTrap(e);
  } else if (arg == "stop") {
    pauseClickTrap(e);
  } else if (arg == "resume") {
    resumeClickTrap(e);
  } else {
    reportScriptError(e, sj("エラー"), sj("trap命令のパラメータは、offもしくは*ラベル名です。"));
  }
}

void cmdAutoclick(Engine& e, std::string_view, bool) {
  int32_t ms = readNumber(e);
  if (ms == 0) {
    e.text.autoClick = 0;
    return;
  }
  e.text.autoClick = 1;
  e.text.autoClickTime = ms;
  e.text.pageOnlyMode = 0;
  e.platform.menu().checkRadio(IDM_PAGE_DEFAULT, {IDM_PAGE_ONLY, IDM_PAGE_DEFAULT});
}

void cmdAutomodeTime(Engine& e, std::string_view, bool) { e.text.autoModeTime = readNumber(e); }

void cmdSkipoff(Engine& e, std::string_view, bool) {
  e.text.skipMode = 0;
  e.text.autoMode = 0;
}

void cmdClickvoice(Engine& e, std::string_view, bool) {
  e.text.clickVoices[0] = readString(e);
  expectComma(e);
  e.text.clickVoices[1] = readString(e);
}

}  // namespace

void registerWaitCommands(CommandTable& t) {
  t.add("wait", cmdWait, "n");
  t.add("delay", cmdWait, "n");
  t.add("click", cmdClick, "");
  t.add("clickpos", cmdClickpos,
        {.pattern = "%,%", .messages = {"clickposの第一引数は数字変数です。", "clickposの第ニ引数は数字変数です。"}});
  t.add("resettimer", cmdResettimer, "");
  t.add("waittimer", cmdWaittimer, "n");
  t.add("gettimer", cmdGettimer, {.pattern = "%", .messages = {"gettimerの引数は数字変数です。"}});
  t.add("trap", cmdTrap, kOwnCheck);
  t.add("lr_trap", cmdTrap, kOwnCheck);
  t.add("autoclick", cmdAutoclick, "n");
  t.add("automode_time", cmdAutomodeTime, "n");
  t.add("skipoff", cmdSkipoff, "");
  t.add("clickvoice", cmdClickvoice, "a,a");
}

}  // namespace veloria
