// The SDL backend's game library without a window: keys, clicks and drops become the acts
// the app reads, and the highlight stays in sight.
#include <gtest/gtest.h>

#ifdef VELORIA_HAVE_SDL

#include "platform/sdl/library_ui.h"
#include "dialog_painter_stub.h"

using namespace veloria;

namespace {

DialogPainter painter() { return test::stubPainter(); }

LibraryView listOf(int rows) {
  LibraryView v;
  for (int i = 0; i < rows; ++i) v.rows.push_back({"game " + std::to_string(i), "/games", false, false});
  v.selection = rows > 0 ? 0 : -1;
  v.buttons = {{"遊ぶ", true}, {"一覧から外す", false}, {"終了", true}};
  return v;
}

LibraryUi laidOut(const LibraryView& v) {
  LibraryUi ui;
  ui.setView(v);
  ui.layout(SDL_Rect{0, 0, 640, 480}, painter());
  return ui;
}

}  // namespace

TEST(SdlLibraryUi, KeysMoveTheHighlightInSightAndPressTheButtons) {
  LibraryUi ui = laidOut(listOf(40));
  ASSERT_LT(ui.visibleRows(), 40);
  EXPECT_TRUE(ui.key(SDLK_DOWN, 0));
  auto a = ui.takeAction();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->kind, LibraryAction::Kind::Select);
  EXPECT_EQ(a->row, 1);
  EXPECT_FALSE(ui.takeAction());
  ui.key(SDLK_END, 0);
  EXPECT_EQ(ui.view().selection, 39);
  EXPECT_EQ(ui.top(), 40 - ui.visibleRows());
  ui.key(SDLK_HOME, 0);
  EXPECT_EQ(ui.top(), 0);
  ui.takeAction();

  ui.key(SDLK_RETURN, 0);  // the default button, with the highlighted row
  a = ui.takeAction();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->kind, LibraryAction::Kind::Button);
  EXPECT_EQ(a->button, 0);
  EXPECT_EQ(a->row, 0);

  // Tab to the disabled button: Enter does nothing; on to 終了.
  ui.key(SDLK_TAB, 0);
  ui.key(SDLK_TAB, 0);
  ui.key(SDLK_RETURN, 0);
  EXPECT_FALSE(ui.takeAction());
  ui.key(SDLK_RIGHT, 0);
  ui.key(SDLK_SPACE, 0);
  a = ui.takeAction();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->button, 2);

  ui.key(SDLK_ESCAPE, 0);
  EXPECT_EQ(ui.takeAction()->kind, LibraryAction::Kind::Cancel);
  ui.key(SDLK_BACKSPACE, 0);
  EXPECT_EQ(ui.takeAction()->kind, LibraryAction::Kind::Back);
}

TEST(SdlLibraryUi, ClicksDoubleClicksAndDrops) {
  LibraryUi ui = laidOut(listOf(3));
  SDL_Rect r = ui.rowRect(2);
  EXPECT_TRUE(ui.mouseDown(r.x + 5, r.y + 5, 1));
  auto a = ui.takeAction();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->kind, LibraryAction::Kind::Select);
  EXPECT_EQ(a->row, 2);
  ui.mouseDown(r.x + 5, r.y + 5, 2);
  a = ui.takeAction();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->kind, LibraryAction::Kind::Button);
  EXPECT_EQ(a->row, 2);

  // A button counts when released over it, and a disabled one not at all.
  SDL_Rect quit = ui.buttonRect(2), off = ui.buttonRect(1);
  ui.mouseDown(quit.x + 2, quit.y + 2, 1);
  ui.mouseUp(0, 0);
  EXPECT_FALSE(ui.takeAction());
  ui.mouseDown(off.x + 2, off.y + 2, 1);
  ui.mouseUp(off.x + 2, off.y + 2);
  EXPECT_FALSE(ui.takeAction());
  ui.mouseDown(quit.x + 2, quit.y + 2, 1);
  ui.mouseUp(quit.x + 2, quit.y + 2);
  EXPECT_EQ(ui.takeAction()->button, 2);

  ui.drop("/home/p/games/station");
  a = ui.takeAction();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->kind, LibraryAction::Kind::Drop);
  EXPECT_EQ(a->path, "/home/p/games/station");

  // An empty list: the arrows have nothing to move.
  LibraryUi empty = laidOut(listOf(0));
  empty.key(SDLK_DOWN, 0);
  EXPECT_FALSE(empty.takeAction());
  EXPECT_FALSE(wrapText("あいうえおかきくけこ", 8 * 3 * 4, painter().measure).empty());
  EXPECT_EQ(wrapText("あいうえおかきくけこ", 8 * 3 * 4, painter().measure).size(), 3u);
}

#endif
