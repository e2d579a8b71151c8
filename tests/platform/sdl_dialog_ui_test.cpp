// The SDL backend's dialogs without a window: keys, typing with the input method, the mouse
// and the script's custom size, fed straight into the dialog model.
#include <gtest/gtest.h>

#ifdef VELORIA_HAVE_SDL

#include "platform/sdl/dialog_ui.h"
#include "dialog_painter_stub.h"

using namespace veloria;

namespace {

DialogPainter painter() { return test::stubPainter(); }

const SDL_Rect kArea{0, 20, 640, 480};

InputDialogSetup inputSetup(const std::string& text, bool cancellable) {
  InputDialogSetup s;
  s.caption = "文字列入力";
  s.prompt = "名前";
  s.text = text;
  s.cancellable = cancellable;
  return s;
}

}  // namespace

TEST(SdlDialogUi, EscClosesOnlyADialogWithADefaultAndEnterConfirms) {
  DialogUi plain(inputSetup("", false));
  plain.key(SDLK_ESCAPE, 0);
  plain.closeRequested();
  EXPECT_EQ(plain.result(), DialogUi::Result::Open);
  plain.textInput("ab");
  plain.key(SDLK_RETURN, 0);
  EXPECT_EQ(plain.result(), DialogUi::Result::Ok);
  EXPECT_EQ(plain.text(), "ab");

  DialogUi withDefault(inputSetup("既定", true));
  withDefault.key(SDLK_ESCAPE, 0);
  EXPECT_EQ(withDefault.result(), DialogUi::Result::Cancel);

  // Tab to the button, Space presses it.
  DialogUi tabbed(inputSetup("x", false));
  tabbed.key(SDLK_TAB, 0);
  tabbed.textInput("y");  // typing does not reach the field from the button
  tabbed.key(SDLK_SPACE, 0);
  EXPECT_EQ(tabbed.result(), DialogUi::Result::Ok);
  EXPECT_EQ(tabbed.text(), "x");
}

TEST(SdlDialogUi, EditsAtTheCaretByCharacterAndKeysWaitForTheComposition) {
  DialogUi d(inputSetup("あいう", false));
  d.key(SDLK_LEFT, 0);
  d.key(SDLK_BACKSPACE, 0);
  EXPECT_EQ(d.text(), "あう");
  d.key(SDLK_HOME, 0);
  d.key(SDLK_DELETE, 0);
  EXPECT_EQ(d.text(), "う");
  d.textInput("x");
  EXPECT_EQ(d.text(), "xう");
  // While the input method composes, Enter and Backspace are its own.
  d.textEditing("やま", 2);
  EXPECT_TRUE(d.composing());
  d.key(SDLK_RETURN, 0);
  d.key(SDLK_BACKSPACE, 0);
  EXPECT_EQ(d.result(), DialogUi::Result::Open);
  d.textInput("山");
  EXPECT_FALSE(d.composing());
  EXPECT_EQ(d.text(), "x山う");
  // The field holds at most 4,095 Shift-JIS bytes; a longer paste is dropped whole.
  DialogUi full(inputSetup(std::string(4090, 'a'), false));
  full.textInput("あいう");
  EXPECT_EQ(full.text().size(), 4090u);
  full.textInput("あい");
  EXPECT_EQ(full.text().size(), 4090u + 6);
}

TEST(SdlDialogUi, TheScriptsSizeInPointsBecomesPixels) {
  InputDialogSetup s = inputSetup("", false);
  s.dialogWidth = 300;  // 400 px
  s.dialogHeight = 90;
  s.editWidth = 150;  // 200 px
  s.editHeight = 21;  // 28 px
  DialogUi d(s);
  d.layout(kArea, painter());
  EXPECT_EQ(d.fieldRect().w, 200);
  EXPECT_EQ(d.fieldRect().h, 28);
  // The button lies beside the field: 400 - 60 - 26 - 1 from the box's left edge.
  int boxLeft = kArea.x + (kArea.w - 400) / 2;
  d.mouseDown(boxLeft + 313 + 5, d.fieldRect().y + 5);
  d.mouseUp(boxLeft + 313 + 5, d.fieldRect().y + 5);
  EXPECT_EQ(d.result(), DialogUi::Result::Ok);
  // Sizes beyond the window are held inside it.
  s.dialogWidth = 100000;
  s.editWidth = -5;
  DialogUi big(s);
  big.layout(kArea, painter());
  EXPECT_GT(big.fieldRect().w, 0);
  EXPECT_LE(big.fieldRect().x + big.fieldRect().w, kArea.x + kArea.w);
}

TEST(SdlDialogUi, ListsChooseWithKeysAndTheMouseAndCancel) {
  ListDialogSetup s;
  s.caption = "ＣＤドライブ選択";
  s.entries = {"デフォルト", "cd2", "music"};
  s.selection = 0;
  s.dropDown = true;
  DialogUi d(s);
  d.layout(kArea, painter());
  d.key(SDLK_DOWN, 0);
  d.key(SDLK_DOWN, 0);
  d.key(SDLK_DOWN, 0);
  EXPECT_EQ(d.selection(), 2);  // held at the last entry
  // A click opens the list; a click on its first row chooses it and closes the list.
  const SDL_Rect f = d.fieldRect();
  d.mouseDown(f.x + 5, f.y + 5);
  d.mouseDown(f.x + 5, f.y + f.h + 5);
  EXPECT_EQ(d.selection(), 0);
  EXPECT_EQ(d.result(), DialogUi::Result::Open);
  d.key(SDLK_RETURN, 0);
  EXPECT_EQ(d.result(), DialogUi::Result::Ok);

  // Enter on the focused Cancel button cancels; Esc cancels a list box.
  ListDialogSetup box;
  box.caption = "セーブメニュー";
  box.okLabel = "セーブ";
  DialogUi b(box);
  b.layout(kArea, painter());
  EXPECT_FALSE(b.key(SDLK_DOWN, 0));  // an empty list has nothing to select
  b.key(SDLK_TAB, 0);
  b.key(SDLK_TAB, 0);
  b.key(SDLK_RETURN, 0);
  EXPECT_EQ(b.result(), DialogUi::Result::Cancel);
  DialogUi esc(box);
  esc.key(SDLK_ESCAPE, 0);
  EXPECT_EQ(esc.result(), DialogUi::Result::Cancel);
}

#endif  // VELORIA_HAVE_SDL
