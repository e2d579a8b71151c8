// The right-click action and the system calls: the right-click menu of rmenu, the text log,
// hiding the text window, saving, loading, the return to the start and skipping.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/menu_ids.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria {

namespace {

// One action at a time: a right click while a menu is open does not open another.
struct ActiveAction {
  explicit ActiveAction(UiState& u) : u_(u) { u_.menuActive = 1; }
  ~ActiveAction() { u_.menuActive = 0; }
  ActiveAction(const ActiveAction&) = delete;
  ActiveAction& operator=(const ActiveAction&) = delete;
  UiState& u_;
};

// The screen as it was before a menu opened: the picture, the typed text and the window's
// marks. Put back when the menu closes, then the screen is composed and shown at once.
class ScreenCopy {
 public:
  explicit ScreenCopy(Engine& e) : e_(e) {
    copyScreenPicture(e, picture_);
    layers_ = copyTextLayers(e);
    shown_ = textWindowShown(e);
    inFrame_ = e.text.windowInFrame != 0;
  }
  bool windowWasShown() const { return shown_; }
  void restore() {
    restoreTextLayers(e_, TextLayerCopy(layers_));
    markTextWindow(e_, shown_, inFrame_);
    restoreScreenPicture(e_, picture_);
    composeScreen(e_, nullptr);
    runEffect(e_, 1, 0, std::string(), nullptr);
  }

 private:
  Engine& e_;
  ImageObject picture_;
  TextLayerCopy layers_;
  bool shown_ = false, inFrame_ = false;
};

// What is left to do when an action ends.
enum class After { Restore, Nothing, MenuAgain };

// The slot lists and questions are drawn on a black screen without the typed text.
void blackOut(Engine& e) {
  fillScreenPicture(e, Rect{0, 0, e.app.screenWidth, e.app.screenHeight}, 0);
  clearTextLayers(e);
}

// "%s" of a question replaced by the slot's label.
std::string question(const char* utf8Pattern, const std::string& label) {
  std::string q = sj(utf8Pattern);
  auto p = q.find("%s");
  if (p != std::string::npos) q.replace(p, 2, label);
  return q;
}

void backToStart(Engine& e) {
  stopAllSoundAndLoops(e);
  requestReset(e);
}

After loadAction(Engine& e) {
  for (;;) {
    blackOut(e);
    std::string label;
    int index = slotMenu(e, false, &label);
    if (index < 0) return After::Restore;
    blackOut(e);
    if (confirmMenu(e, question("%sをロードします。よろしいですか？", label)) != 1) continue;
    // A damaged file or one of another game was said in a box: the game goes on as it was.
    return loadGame(e, index + 1) ? After::Nothing : After::Restore;
  }
}

After saveAction(Engine& e) {
  for (;;) {
    blackOut(e);
    std::string label;
    int index = slotMenu(e, true, &label);
    if (index < 0) return After::Restore;
    blackOut(e);
    if (confirmMenu(e, question("%sにセーブします。よろしいですか？", label)) != 1) continue;
    saveGame(e, index + 1);
    return After::Restore;
  }
}

After runAction(Engine& e, int action, bool fromMenu, ScreenCopy& copy) {
  switch (action) {
    case kActionLookback:
      if (fromMenu) copy.restore();
      composeScreen(e, nullptr);
      runEffect(e, 1, 0, std::string(), nullptr);
      showTextLog(e);
      return After::Restore;
    case kActionWindowErase:
      if (fromMenu) {
        // The player expects the window to go away until a click, as a right click without a
        // menu does: the window's state from before the menu decides.
        copy.restore();
        if (copy.windowWasShown()) eraseWindowUntilClick(e);
      } else {
        markTextWindow(e, true, true);
        eraseWindowUntilClick(e);
      }
      return After::Nothing;
    case kActionLoad: return loadAction(e);
    case kActionSave: return saveAction(e);
    case kActionReset:
      blackOut(e);
      if (confirmMenu(e, sj("終了します。よろしいですか？")) == 1) {
        backToStart(e);
        return After::Restore;
      }
      return fromMenu ? After::MenuAgain : After::Restore;
    case kActionSkip:
      e.platform.postMessage(WM_COMMAND, IDM_SKIP_TO_CHOICE);
      return After::Restore;
    case kActionSaveDialog:
    case kActionLoadDialog:
      runSaveLoadDialog(e, action == kActionSaveDialog);
      return After::Restore;
    case kActionResetDialog:
      if (e.platform.messageBox(sj("タイトルに戻ります。よろしいですか？"), sj("タイトルに戻る"), MB_YESNO) == IDYES) {
        backToStart(e);
        return After::Restore;
      }
      return fromMenu ? After::MenuAgain : After::Restore;
    default:
      // The fall-through: the window goes, empty, and the screen is shown without it (the
      // menu's picture would otherwise stay until something else draws).
      clearTextWindow(e);
      markTextWindow(e, false, false);
      composeScreen(e, nullptr);
      runEffect(e, 1, 0, std::string(), nullptr);
      return After::Nothing;
  }
}

// The items' places as the choice display lays out the right-click menu (for the dump).
void noteRightMenu(Engine& e) {
  OpenSystemMenu m;
  m.kind = SystemMenuKind::RightClick;
  const MenuWindow& w = e.ui.menuWindow;
  size_t longest = 0;
  for (const RightMenuItem& it : e.ui.rightMenu) longest = std::max(longest, it.label.size());
  const int64_t half = static_cast<int64_t>(w.pitchX) * static_cast<int64_t>(longest) / 4;
  const int64_t n = static_cast<int64_t>(e.ui.rightMenu.size());
  const int64_t top = e.app.screenHeight / 2 - (n / 2) * w.pitchY;
  for (size_t i = 0; i < e.ui.rightMenu.size(); ++i) {
    SystemMenuItemBox b;
    b.text = e.ui.rightMenu[i].label;
    b.left = static_cast<int32_t>(e.app.screenWidth / 2 - half);
    b.right = static_cast<int32_t>(e.app.screenWidth / 2 + half);
    b.top = static_cast<int32_t>(top + static_cast<int64_t>(i) * w.pitchY);
    b.bottom = b.top + w.pitchY;
    m.items.push_back(std::move(b));
  }
  e.ui.openMenus.push_back(std::move(m));
}

// The right-click menu: the chosen item's action, or -1 for a right click.
int runRightMenu(Engine& e) {
  std::vector<std::string> labels;
  for (const RightMenuItem& it : e.ui.rightMenu) labels.push_back(it.label);
  noteRightMenu(e);
  const size_t depth = e.ui.openMenus.size();
  struct Pop {
    UiState& u;
    size_t depth;
    ~Pop() {
      if (u.openMenus.size() >= depth) u.openMenus.resize(depth - 1);
    }
  } pop{e.ui, depth};
  int chosen = runChoice(e, labels, ChoiceForm::SystemMenu);
  if (chosen < 0 || chosen >= static_cast<int>(e.ui.rightMenu.size())) return -1;
  return e.ui.rightMenu[static_cast<size_t>(chosen)].action;
}

// Under headless autoplay a menu the script opens itself is left at once, as a right click
// leaves it: autoplay only clicks the left button and would otherwise never get out.
bool leftByAutoplay(Engine& e, int code) {
  if (!e.app.autoplay || code == -1) return false;
  switch (code) {
    case kActionWindowErase:
    case kActionSkip:
    case kActionSaveDialog:
    case kActionLoadDialog:
    case kActionLookback2: return false;
    default:
      std::fprintf(stderr, "veloria: autoplay leaves the system menu of systemcall (action %d)\n", code);
      return true;
  }
}

}  // namespace

RightClickAction rightClickAction(const Engine& e) { return e.ui.rightClickAction; }
void setRightClickAction(Engine& e, RightClickAction action) { e.ui.rightClickAction = action; }

void runSystemAction(Engine& e, int code) {
  UiState& u = e.ui;
  const bool rightClick = code == -1;
  if (rightClick && (u.rightClickAction == RightClickAction::Nothing || u.rightClickOn == 0)) return;
  if (u.menuActive) return;
  ActiveAction active(u);

  if (u.rightClickAction == RightClickAction::Subroutine) {
    if (!rightClick) return;
    // rgosub: the routine runs in place of the wait; its return makes the wait again.
    noteRgosubTaken(e);
    if (!callStackPush(e, scriptPosition(e)))
      reportScriptError(e, sj("スタックエラー"), sj("rgosub処理のせいでスタックが溢れました。"));
    jumpToLabel(e, e.text.rgosubLabel);
    return;
  }
  // rlookback shows the text log for a right click and for every system call alike.
  if (u.rightClickAction == RightClickAction::TextLog) {
    if (!leftByAutoplay(e, code)) showTextLog(e);
    return;
  }
  if (u.rightClickAction != RightClickAction::Menu && rightClick) {
    eraseWindowUntilClick(e);
    return;
  }
  if (leftByAutoplay(e, code)) return;

  ScreenCopy copy(e);
  markTextWindow(e, false, e.text.windowInFrame != 0);
  if (!rightClick) {
    if (runAction(e, code, false, copy) == After::Restore) copy.restore();
    return;
  }
  for (;;) {
    blackOut(e);
    int action = runRightMenu(e);
    if (action < 0) {
      copy.restore();
      return;
    }
    After after = runAction(e, action, true, copy);
    if (after == After::MenuAgain) continue;
    if (after == After::Restore) copy.restore();
    return;
  }
}

void systemMenuRestoreDefaults(Engine& e) {
  UiState& u = e.ui;
  u.rightClickOn = 1;
  u.rightMenu.clear();
  u.menuActive = 0;
  u.saveDialogText.clear();
  u.openMenus.clear();
}

}  // namespace veloria
