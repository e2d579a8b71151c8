// A loaded game's text window: the page is empty (saves are taken at the start of a page),
// the wait cursors and the window picture are loaded again, and nothing of the wait or the
// typing that was interrupted is left over.
#include <algorithm>

#include "engine/engine.h"
#include "graphics/graphics.h"
#include "text/text.h"
#include "text/text_internal.h"
#include "text/text_log.h"

namespace veloria {

void textAfterLoad(Engine& e, const std::string& windowPicture) {
  TextState& t = e.text;
  t.pendingText.clear();
  t.pendingKind = PendingText::None;
  t.pendingAtLineEnd = 0;
  t.inTextGosub = 0;
  t.textGosubWasPage = 0;
  t.textGosubAtLineEnd = 0;
  t.linkCount = 0;
  t.lastLineChars = 0;
  t.waitCursorKind = WaitCursor::None;
  t.advanceRequested = 0;
  t.menuRequested = 0;
  TextLog& log = t.log;
  log.pageMarked = log.writePos > 0 && log.buffer[static_cast<size_t>(log.writePos - 1)] == 1 ? 1 : 0;
  if (log.maxPages > 0) {
    const int32_t end = std::clamp(log.writePos, 0, TextLog::kSize);
    logFromRing(log, std::string_view(reinterpret_cast<const char*>(log.buffer.data()), static_cast<size_t>(end)));
  }
  t.cursorHalfCell = 0;
  t.pageText.clear();
  notePageCleared(e);
  t.textHidden = 0;

  // Each cursor from its saved picture, or the built-in one; a missing file gives a
  // placeholder rather than stopping the game.
  static const char* const kDefaultCursors[2] = {":l/3,160,2;cursor0.bmp", ":l/3,160,2;cursor1.bmp"};
  for (size_t i = 0; i < 2; ++i) {
    releaseImage(t.waitCursors[i]);
    const std::string& name = t.waitCursorNames[i];
    loadOptionalImage(e, t.waitCursors[i], name.empty() ? std::string(kDefaultCursors[i]) : name);
  }

  t.cursorColumn = 0;
  t.cursorLine = 0;
  releaseImage(t.windowImage);
  if (!windowPicture.empty() && t.windowColor == -1) loadImage(e, t.windowImage, windowPicture);
  // The window comes back with the next text.
  t.windowShown = 0;
  t.windowInFrame = 0;
  clearTextLayers(e);
  // The text speed came with the save: the menu's check mark follows it.
  setMenuSpeed(e, t.menuSpeedIndex);
  e.platform.onMenuChanged();
}

}  // namespace veloria
