// Script commands of the text window, and the text subsystem's life-cycle hooks.
#include <algorithm>
#include <climits>

#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "text/text.h"
#include "text/text_internal.h"
#include "ui/ui.h"

namespace veloria {

namespace {

int32_t sat32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

int32_t nextNumber(Engine& e) {
  expectComma(e);
  return readNumber(e);
}

// hideTextWindow that always takes the window away, whatever erasetextwindow says.
void forceHide(Engine& e) {
  int32_t saved = e.text.eraseWindowOnEffect;
  e.text.eraseWindowOnEffect = 1;
  hideTextWindow(e);
  e.text.eraseWindowOnEffect = saved;
}

void cmdSetwindow(Engine& e, std::string_view, bool) {
  TextState& t = e.text;
  forceHide(e);
  clearTextWindow(e);
  clearLog(e);
  int32_t x = readNumber(e);
  int32_t y = nextNumber(e);
  int32_t cols = nextNumber(e);
  int32_t lines = nextNumber(e);
  if (cols < 0 || lines < 0) reportScriptError(e, sj("エラー"), sj("setwindowの縦横文字数指定が間違っています。"));
  t.textOriginX = x;
  t.textOriginY = y;
  t.columnsPerLine = cols;
  t.linesPerPage = lines;
  int32_t gw = nextNumber(e), gh = nextNumber(e), gapX = nextNumber(e), gapY = nextNumber(e);
  t.glyphWidth = gw;
  t.glyphHeight = gh;
  t.pitchX = sat32(static_cast<int64_t>(gw) + gapX);
  t.pitchY = sat32(static_cast<int64_t>(gh) + gapY);
  t.textSpeed = nextNumber(e);
  t.boldText = nextNumber(e);
  t.shadowText = nextNumber(e);
  expectComma(e);
  skipBlanks(e);
  if (currentByte(e) == '#') {
    t.windowColor = static_cast<int32_t>(readColor(e) & 0xFFFFFF);
    t.windowRect.left = nextNumber(e);
    t.windowRect.top = nextNumber(e);
    t.windowRect.right = nextNumber(e);
    t.windowRect.bottom = nextNumber(e);
    releaseImage(t.windowImage);
  } else {
    std::string name = readString(e);
    t.windowColor = -1;
    loadImage(e, t.windowImage, name);
    t.windowRect.left = nextNumber(e);
    t.windowRect.top = nextNumber(e);
    t.windowRect.right = sat32(static_cast<int64_t>(t.windowRect.left) + t.windowImage.cellWidth() - 1);
    t.windowRect.bottom = sat32(static_cast<int64_t>(t.windowRect.top) + t.windowImage.height() - 1);
  }
  presentDisplay(e, Rect{0, 0, e.app.screenWidth, e.app.screenHeight});
}

void cmdTextoff(Engine& e, std::string_view, bool) { forceHide(e); }
void cmdTexton(Engine& e, std::string_view, bool) { typeText(e, std::string()); }

void cmdTextclear(Engine& e, std::string_view, bool) {
  markLogPage(e);
  clearTextWindow(e);
}

void cmdErasetextwindow(Engine& e, std::string_view, bool) { e.text.eraseWindowOnEffect = readNumber(e); }
void cmdWindowback(Engine& e, std::string_view, bool) { e.text.windowBehind = 1; }

void cmdTextmode(Engine& e, std::string_view, bool) {
  int32_t n = readNumber(e);
  if (e.text.windowShown) hideTextWindow(e);
  e.text.textMode = n;
}

void cmdLocate(Engine& e, std::string_view, bool) {
  e.text.cursorColumn = readNumber(e);
  e.text.cursorLine = nextNumber(e);
  e.text.cursorHalfCell = 0;
}

void cmdPuttext(Engine& e, std::string_view, bool) {
  typeText(e, readString(e));
}

void cmdBr(Engine& e, std::string_view, bool) { newLine(e); }
void cmdTextspeed(Engine& e, std::string_view, bool) { e.text.textSpeed = readNumber(e); }

void cmdDefaultspeed(Engine& e, std::string_view, bool) {
  e.text.menuSpeeds[0] = readNumber(e);
  e.text.menuSpeeds[1] = nextNumber(e);
  e.text.menuSpeeds[2] = nextNumber(e);
}

void cmdTextcommit(Engine& e, std::string_view, bool) { markLogPage(e); }

void storePair(Engine& e, const char* message, int64_t x, int64_t y) {
  int32_t vx = readNumVarRef(e, message);
  expectComma(e);
  int32_t vy = readNumVarRef(e, message);
  setNumVar(e, vx, sat32(x));
  setNumVar(e, vy, sat32(y));
}

void cmdGetcursorpos(Engine& e, std::string_view, bool) {
  const TextState& t = e.text;
  storePair(e, "getcurposの第１，２引数は数字変数です。",
            t.textOriginX + static_cast<int64_t>(t.cursorColumn) * t.pitchX,
            t.textOriginY + static_cast<int64_t>(t.cursorLine) * t.pitchY);
}

void cmdGetnextline(Engine& e, std::string_view, bool) {
  const TextState& t = e.text;
  storePair(e, "getnextlineの第１，２引数は数字変数です。", t.textOriginX,
            t.textOriginY + (static_cast<int64_t>(t.cursorLine) + 1) * t.pitchY);
}

void cmdSetcursor(Engine& e, std::string_view word, bool) {
  int32_t n = readNumber(e);
  if (n != 0 && n != 1) reportScriptError(e, sj("エラー"), sj("カーソルは０（通常）と１（クリック消去用）です。"));
  expectComma(e);
  std::string name = readString(e);
  int32_t x = nextNumber(e);
  int32_t y = nextNumber(e);
  size_t i = static_cast<size_t>(n);
  e.text.cursorRelative[i] = word == "setcursor" ? 1 : 0;
  loadImage(e, e.text.waitCursors[i], name);
  e.text.waitCursorNames[i] = name;
  e.text.cursorOffset[i] = ClickPos{x, y};
}

void cmdClickstr(Engine& e, std::string_view, bool) {
  e.text.clickStr = readString(e);
  e.text.clickStrLines = nextNumber(e);
}

void cmdTextgosub(Engine& e, std::string_view, bool) {
  e.text.textGosubLabel = readLabel(e);
  setTextGosub(e, true);
}

void cmdRgosub(Engine& e, std::string_view, bool) {
  e.text.rgosubLabel = readLabel(e);
  setRightClickAction(e, RightClickAction::Subroutine);
}

void cmdTexec(Engine& e, std::string_view, bool) {
  TextState& t = e.text;
  if (!t.inTextGosub) return;
  t.inTextGosub = 0;
  if (t.textGosubWasPage) {
    t.cursorColumn = 0;
    t.cursorLine = 0;
    markLogPage(e);
    clearTextWindow(e);
  } else if (t.textGosubAtLineEnd) {
    newLine(e);
  }
  resumePendingText(e);
}

void cmdIspage(Engine& e, std::string_view, bool) {
  int32_t v = readNumVarRef(e, "ispageの引数は数字変数です。");
  setNumVar(e, v, e.text.textGosubWasPage);
}

void cmdLinkcolor(Engine& e, std::string_view, bool) {
  int32_t r = readNumber(e), g = nextNumber(e), b = nextNumber(e);
  e.text.linkColor = TextRgb{r, g, b};
}

void cmdHumanz(Engine& e, std::string_view, bool) {
  int32_t n = readNumber(e);
  // Any sprite of the game's table may stand at the depth.
  if (n < 0 || n >= spriteLimit(e)) reportScriptError(e, sj("エラー"), sj("humanz指定が範囲外です。"));
  e.text.humanzDepth = n;
}

void cmdUnderline(Engine& e, std::string_view, bool) { e.text.underlineValue = readNumber(e); }
void cmdDefaultfont(Engine& e, std::string_view, bool) { e.text.defaultFaceName = readString(e); }

}  // namespace

void registerWaitCommands(CommandTable& t);

void registerTextCommands(CommandTable& t) {
  t.add("setwindow", cmdSetwindow, kOwnCheck);
  t.add("textoff", cmdTextoff, "");
  t.add("texton", cmdTexton, "");
  t.add("textclear", cmdTextclear, "");
  t.add("erasetextwindow", cmdErasetextwindow, "n");
  t.add("windowback", cmdWindowback, "");
  t.add("textmode", cmdTextmode, "n");
  t.add("locate", cmdLocate, "n,n");
  t.add("puttext", cmdPuttext, "s");
  t.add("br", cmdBr, "");
  t.add("textspeed", cmdTextspeed, "n");
  t.add("defaultspeed", cmdDefaultspeed, "n,n,n");
  t.add("textcommit", cmdTextcommit, "");
  t.add("getcursorpos", cmdGetcursorpos, {.pattern = "%,%", .messages = {"getcurposの第１，２引数は数字変数です。"}});
  t.add("getnextline", cmdGetnextline, {.pattern = "%,%", .messages = {"getnextlineの第１，２引数は数字変数です。"}});
  t.add("setcursor", cmdSetcursor, kOwnCheck);
  t.add("abssetcursor", cmdSetcursor, kOwnCheck);
  t.add("clickstr", cmdClickstr, "s,n");
  t.add("textgosub", cmdTextgosub, "l");
  t.add("rgosub", cmdRgosub, "l");
  t.add("texec", cmdTexec, "");
  t.add("ispage", cmdIspage, {.pattern = "%", .messages = {"ispageの引数は数字変数です。"}});
  t.add("linkcolor", cmdLinkcolor, "n,n,n");
  t.add("humanz", cmdHumanz, kOwnCheck);
  t.add("underline", cmdUnderline, "n");
  t.add("defaultfont", cmdDefaultfont, "s");
  registerWaitCommands(t);
  registerChoiceCommands(t);
  registerTextLogCommands(t);
  registerTextAccessCommands(t);
}

void textRestoreDefaults(Engine& e) {
  TextState& t = e.text;
  t.linkColor = TextRgb{255, 255, 64};
  t.menuSpeeds = {40, 10, 0};
  t.advanceRequested = 0;
  t.menuRequested = 0;
  t.windowBehind = 0;
  t.humanzDepth = 127;
  t.underlineValue = e.app.screenHeight;
  t.defaultFaceName = sj("ＭＳ ゴシック");
  t.clickStr.clear();
  t.clickStrLines = 0;
  t.textGosubLabel.clear();
  setTextGosub(e, false);
  t.rgosubLabel.clear();
  t.autoModeTime = 1000;
  t.clickVoices = {};
  t.pendingText.clear();
  t.pendingKind = PendingText::None;
  choiceRestoreDefaults(e);
  textLogRestoreDefaults(e);
  textAccessRestoreDefaults(e);
  // The layers are made when the game starts (textResetGame) or something draws: the define
  // pass and the checker never need the 1.5 MB.
}

void textResetGame(Engine& e) {
  TextState& t = e.text;
  t.skipMode = 0;
  t.autoMode = 0;
  t.autoClick = 0;
  t.advanceRequested = 0;
  t.menuRequested = 0;
  t.gameLoaded = 0;
  t.textOriginX = 8;
  t.textOriginY = 16;
  t.columnsPerLine = 23;
  t.linesPerPage = 16;
  t.glyphWidth = 26;
  t.glyphHeight = 26;
  t.pitchX = 26;
  t.pitchY = 28;
  t.windowRect = TextRect{0, 0, e.app.screenWidth, e.app.screenHeight};
  t.windowColor = 0x999999;
  releaseImage(t.windowImage);
  t.textSpeed = 20;
  t.boldText = 1;
  t.shadowText = 1;
  t.textColor = TextRgb{};
  t.textMode = 1;
  t.windowShown = 0;
  t.windowInFrame = 0;
  t.eraseWindowOnEffect = 1;
  t.cursorOffset = {};
  t.cursorRelative = {1, 1};
  t.waitCursorNames = {};
  t.linkCount = 0;
  t.waitCursorKind = WaitCursor::None;
  t.inTextGosub = 0;
  t.textGosubWasPage = 0;
  t.textGosubAtLineEnd = 0;
  t.pendingText.clear();
  t.pendingKind = PendingText::None;
  textLogResetGame(e);
  t.textHidden = 0;
  t.pageText.clear();
  notePageCleared(e);
  t.cursorHalfCell = 0;
  t.faceName = t.chosenFaceName;
  clearTextLayers(e);
  t.cursorColumn = 0;
  t.cursorLine = 0;
  // The default wait cursors; a missing picture gives a blank placeholder.
  loadOptionalImage(e, t.waitCursors[0], ":l/3,160,2;cursor0.bmp");
  loadOptionalImage(e, t.waitCursors[1], ":l/3,160,2;cursor1.bmp");
}

}  // namespace veloria
