// The window procedure: input into engine flags, painting, the timer, the menu, shut-down.
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria {

namespace {

const std::vector<int> kFullscreenGroup{IDM_FULLSCREEN, IDM_WINDOWED};
const std::vector<int> kPageGroup{IDM_PAGE_ONLY, IDM_PAGE_DEFAULT};
const std::vector<int> kWaveGroup{IDM_WAVE_ON, IDM_WAVE_OFF};
const std::vector<int> kCdGroup{IDM_CD_ON, IDM_CD_OFF};
const std::vector<int> kScaleGroup{IDM_SCALE_SHARP, IDM_SCALE_SMOOTH};

void storePosition(Engine& e, const Message& m) {
  e.appWindow.lastX = lParamX(m.lParam);
  e.appWindow.lastY = lParamY(m.lParam);
  noteClickPosition(e, e.appWindow.lastX, e.appWindow.lastY);
}

void selectFontItem(Engine& e, int id) {
  e.platform.menu().check(e.app.selectedFontItem, false);
  e.platform.menu().check(id, true);
  e.app.selectedFontItem = id;
  e.platform.onMenuChanged();
}

void enterFullscreen(Engine& e) {
  if (e.appWindow.fullScreen) return;
  if (!e.platform.setFullscreen(true)) return;
  e.platform.setMenuAttached(false);
  e.appWindow.fullScreen = 1;
  e.appWindow.menuHidden = 1;
  e.platform.menu().checkRadio(IDM_FULLSCREEN, kFullscreenGroup);
  paintWindow(e);
  e.platform.postMessage(WM_MOUSEMOVE, 0, makeLParam(0, 1));
}

void leaveFullscreen(Engine& e) {
  if (!e.appWindow.fullScreen) return;
  int failures = 0;
  while (!e.platform.setFullscreen(false)) {
    if (++failures >= 10) return;
    e.platform.sleep(5);
  }
  e.appWindow.fullScreen = 0;
  e.appWindow.menuHidden = 0;
  e.platform.setMenuAttached(true);
  e.platform.menu().checkRadio(IDM_WINDOWED, kFullscreenGroup);
  paintWindow(e);
  e.platform.postMessage(WM_MOUSEMOVE, 0, makeLParam(0, 1));
}

// Debug builds of a game (debug.314 present) use the About item to poke a variable.
void debugSetVariable(Engine& e) {
  auto first = runInputDialog(e, std::string(), std::string(), 255);
  if (!first) return;
  long index = std::strtol(first->c_str(), nullptr, 10);
  auto second = runInputDialog(e, std::string(), std::string(), 255);
  if (!second) return;
  long value = std::strtol(second->c_str(), nullptr, 10);
  setDebugVariable(e, index, static_cast<int32_t>(value));
}

void onCommand(Engine& e, int id) {
  MenuBar& menu = e.platform.menu();
  switch (id) {
    case IDM_EXIT: e.platform.postMessage(WM_CLOSE); return;
    case IDM_FULLSCREEN: enterFullscreen(e); return;
    case IDM_WINDOWED: leaveFullscreen(e); return;
    case IDM_FONT_DEFAULT:
      chooseFace(e, defaultFace(e));
      selectFontItem(e, IDM_FONT_DEFAULT);
      return;
    case IDM_VERSION:
      if (e.app.debugMode) {
        debugSetVariable(e);
      } else {
        e.platform.messageBox(e.app.versionLines[0] + "\n" + e.app.versionLines[1], sj("バージョン情報"), MB_OK);
      }
      return;
    case IDM_SKIP_TO_CHOICE:
      if (!e.save.readMarks.empty() && !positionRead(e, e.script.scriptPos)) return;
      startSkipMode(e);
      return;
    case IDM_PAGE_ONLY:
      if (!setPageOnlyMode(e, true)) return;
      menu.checkRadio(IDM_PAGE_ONLY, kPageGroup);
      break;
    case IDM_PAGE_DEFAULT:
      menu.checkRadio(IDM_PAGE_DEFAULT, kPageGroup);
      setPageOnlyMode(e, false);
      break;
    case IDM_SPEED_SLOW:
    case IDM_SPEED_NORMAL:
    case IDM_SPEED_FAST:
      setMenuSpeed(e, id - IDM_SPEED_SLOW);
      break;
    case IDM_WAVE_ON:
    case IDM_WAVE_OFF:
      menu.checkRadio(id, kWaveGroup);
      setWaveOn(e, id == IDM_WAVE_ON);
      break;
    case IDM_SCALE_SHARP:
    case IDM_SCALE_SMOOTH:
      menu.checkRadio(id, kScaleGroup);
      e.platform.setScaleMode(id == IDM_SCALE_SHARP ? ScaleMode::Sharp : ScaleMode::Smooth);
      break;
    case IDM_AUTO_MODE: startAutoMode(e); return;
    case IDM_READ_ALOUD: toggleReadingAloud(e); return;
    case IDM_CD_DRIVE: runCdDriveDialog(e); return;
    case IDM_CD_ON:
    case IDM_CD_OFF:
      if (id == IDM_CD_OFF) stopCdAudio(e);
      menu.checkRadio(id, kCdGroup);
      setCdEnabled(e, id == IDM_CD_ON);
      break;
    default:
      // Font items carry small ids; anything that names no listed font is ignored.
      if (const std::string* face = fontItemFace(e, id)) {
        chooseFace(e, *face);
        selectFontItem(e, id);
      }
      return;
  }
  e.platform.onMenuChanged();
}

void onClose(Engine& e) {
  e.platform.killTimer(1);
  int answer = e.platform.messageBox(sj("終了しますか？"), sj("終了確認"), MB_YESNO);
  if (answer == IDYES) {
    stopReadingModes(e);
    e.app.exitCode = kExitNormal;
    destroyMainWindow(e);
  }
  e.platform.setTimer(1, 100);
}

[[noreturn]] void onDestroy(Engine& e) {
  writePersistentState(e);
  e.platform.menu().items().clear();
  e.platform.setMenuAttached(false);
  stopAllSound(e);
  if (!e.app.tempDirectory.empty()) fs::removeTree(e.app.tempDirectory);
  e.platform.clearQueue();
  throw ProcessExit{e.app.exitCode};
}

}  // namespace

void windowProc(Engine& e, const Message& m) {
  e.appWindow.lastMessage = m.message;
  if (m.message != WM_TIMER) e.platform.showCustomCursor();
  switch (m.message) {
    case WM_PAINT: paintWindow(e); break;
    case WM_KEYDOWN:
      if (m.wParam == 'V') toggleReadingAloud(e);
      break;
    case WM_CHAR:
      e.appWindow.lastX = static_cast<int32_t>(m.wParam);
      if (m.wParam == 32 || m.wParam == 13) {
        stopSpeaking(e);
        requestAdvance(e);
      }
      // useescspc: Esc is a right click.
      if (m.wParam == 27 && escSpaceInputOn(e) && !endAutoAndSkipModes(e)) requestMenu(e);
      break;
    case WM_MOUSEWHEEL:
      // usewheel: a turn down is a click, a turn up opens the text log in a click wait.
      if (!wheelInputOn(e)) break;
      if (m.wParam == 2) {
        stopSpeaking(e);
        if (!endAutoAndSkipModes(e)) requestAdvance(e);
      } else if (m.wParam == 1) {
        requestTextLog(e);
      }
      break;
    case WM_MOUSEMOVE: {
      e.appWindow.lastX = lParamX(m.lParam);
      e.appWindow.lastY = lParamY(m.lParam);
      if (e.appWindow.fullScreen) {
        int y = e.appWindow.lastY;
        if (y < 20 && e.appWindow.menuHidden) {
          e.platform.setMenuAttached(true);
          e.appWindow.menuHidden = 0;
          paintWindow(e);
        } else if (y > 19 && !e.appWindow.menuHidden) {
          e.platform.setMenuAttached(false);
          e.appWindow.menuHidden = 1;
          paintWindow(e);
        }
      }
      break;
    }
    case WM_LBUTTONDOWN:
      e.appWindow.leftButtonDown = 1;
      storePosition(e, m);
      break;
    case WM_RBUTTONDOWN: storePosition(e, m); break;
    case WM_LBUTTONUP:
      e.appWindow.leftButtonDown = 0;
      stopSpeaking(e);
      // A click while auto or skip mode runs only ends the mode.
      if (endAutoAndSkipModes(e)) break;
      requestAdvance(e);
      stopWaveOnClick(e);
      storePosition(e, m);
      break;
    case WM_RBUTTONUP:
      if (endAutoAndSkipModes(e)) break;
      requestMenu(e);
      storePosition(e, m);
      break;
    case WM_TIMER: soundTimerTick(e); break;
    case MM_MCINOTIFY:
      if (m.wParam == MCI_NOTIFY_SUCCESSFUL) soundPlayNotify(e, m.wParam);
      break;
    case WM_CLOSE: onClose(e); break;
    case WM_DESTROY: onDestroy(e);
    case WM_COMMAND: onCommand(e, static_cast<int>(m.wParam & 0xFFFF)); break;
    // Automation input, as the slot menus do it: save writes the last save point; a load
    // during the game ends the running wait, which goes back to the interpreter. Before the
    // game runs it waits for the first statement of the game.
    case WM_APP_SAVE_SLOT: saveGame(e, static_cast<int>(m.wParam)); break;
    case WM_APP_LOAD_SLOT:
      if (e.script.gameStarted) loadGame(e, static_cast<int>(m.wParam));
      else requestLoad(e, static_cast<int>(m.wParam));
      break;
    default: break;
  }
}

void paintWindow(Engine& e) {
  if (moviePlaying(e)) return;
  SurfaceView v = displaySurfaceView(e);
  if (!v.bits) return;
  e.platform.present(v, Rect{0, 0, e.app.screenWidth, e.app.screenHeight});
}

void destroyMainWindow(Engine& e) {
  e.platform.killTimer(1);
  e.platform.destroyWindow();
  Message m{WM_DESTROY, 0, 0, e.platform.timeGetTime()};
  windowProc(e, m);
  throw ProcessExit{e.app.exitCode};
}

}  // namespace veloria
