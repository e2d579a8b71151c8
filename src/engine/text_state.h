// Text display state: the text window, typing, waits and the input flags raised by the
// window procedure.
#pragma once

#include <array>
#include <deque>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/picture.h"

namespace veloria {

struct ClickPos {
  int32_t x = 0;
  int32_t y = 0;
};

struct TextRgb {
  int32_t r = 255, g = 255, b = 255;
};

struct TextRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct LinkRegion {
  int32_t number = 0;
  int32_t left = 0, top = 0, right = 0;
};

// The story text of the last pages: characters (2 bytes, or 1 for a half-width one), 10 for
// a line break, 1 for a page end. A ring restarted when full, until the game asks for a
// number of pages (maxPages > 0): then a list of whole pages.
struct TextLog {
  static constexpr int kSize = 10000;
  static constexpr int kRestartAt = 8500;
  static constexpr size_t kMaxPageBytes = 65535;
  std::array<uint8_t, kSize + 1> buffer{};  // the last byte stays 0
  int32_t writePos = 0;
  int32_t pageMarked = 0;
  // The page list: the finished pages, oldest first, and the page being typed.
  int32_t maxPages = 0;
  std::deque<std::string> pages;
  std::string openPage;
};

// The options of a choice command, and for the jumping forms one label per option.
struct ChoiceItems {
  std::vector<std::string> texts;   // Shift-JIS, the empty ones already dropped
  std::vector<std::string> labels;  // empty for selnum
};

// The colours of a choice's options, 0xRRGGBB (selectcolor).
struct SelectColors {
  uint32_t over = 0xFFFFFF;    // the option under the mouse
  uint32_t normal = 0xAAAAAA;  // every other option
};

enum class WaitCursor : int32_t { None = 0, Click = 1, Page = 2 };

// The rest of a story-text line whose wait went to a script routine, typed later: by texec
// after a textgosub sentence-end wait, or after the wait the right-click routine's return
// makes again.
enum class PendingText : int32_t { None = 0, AfterTextGosub = 1, AfterRightClickRoutine = 2 };

struct TextState {
  // Input and mode flags (raised by the window procedure, consumed by the waits).
  int32_t advanceRequested = 0;
  int32_t menuRequested = 0;
  int32_t textLogRequested = 0;
  ClickPos clickPos;
  int32_t skipMode = 0;
  int32_t autoMode = 0;
  int32_t autoClick = 0;  // 1 while autoclick is on
  int32_t autoClickTime = 0;
  int32_t autoModeTime = 1000;
  int32_t pageOnlyMode = 0;
  int32_t menuSpeedIndex = 1;
  std::array<int32_t, 3> menuSpeeds{40, 10, 0};
  // Fonts: the face the menu chose, the script's default, and the one in use (Shift-JIS).
  std::string chosenFaceName;
  std::string defaultFaceName;
  std::string faceName;
  std::vector<std::string> fontList;  // menu item id -> face name; empty entries are not listed

  // Window geometry and appearance.
  int32_t textOriginX = 8, textOriginY = 16;
  int32_t columnsPerLine = 23, linesPerPage = 16;
  int32_t glyphWidth = 26, glyphHeight = 26;
  int32_t pitchX = 26, pitchY = 28;
  int32_t cursorColumn = 0;
  int32_t cursorLine = 0;
  // A half-width character left the cursor half a cell past cursorColumn (the later dialect).
  int32_t cursorHalfCell = 0;
  TextRect windowRect{0, 0, 640, 480};
  int32_t windowColor = 0x999999;  // -1: the backdrop is windowImage
  ImageObject windowImage;
  int32_t textSpeed = 20;
  int32_t boldText = 1, shadowText = 1;
  TextRgb textColor;
  TextRgb linkColor{255, 255, 64};
  int32_t textMode = 1;
  int32_t windowShown = 0;
  int32_t windowInFrame = 0;
  int32_t eraseWindowOnEffect = 1;
  int32_t windowBehind = 0;
  int32_t humanzDepth = 127;
  int32_t underlineValue = 480;

  // Typing.
  int32_t lastLineChars = 0;
  // The characters on the page, in typing order (gettext).
  std::string pageText;
  // texthide: the window and its text are left out of the composition until textshow.
  int32_t textHidden = 0;
  // addkinsoku: 2-byte characters added to the line-start and line-end rules.
  std::vector<uint16_t> extraNoLineStart, extraNoLineEnd;
  // rubyon: ruby groups are drawn; the ruby glyph size (0: half the text glyph) and face.
  int32_t rubyOn = 0;
  int32_t rubyWidth = 0, rubyHeight = 0;
  std::string rubyFace;
  std::array<LinkRegion, 256> links{};
  int32_t linkCount = 0;
  std::string clickStr;  // 2-byte characters
  int32_t clickStrLines = 0;
  std::string textGosubLabel;  // textgosub (e.script.textGosubOn says it is on)
  std::string pendingText;
  PendingText pendingKind = PendingText::None;
  int32_t pendingAtLineEnd = 0;  // that line's last "@" ended its script line
  int32_t inTextGosub = 0;
  int32_t textGosubWasPage = 0;
  int32_t textGosubAtLineEnd = 0;
  std::string rgosubLabel;

  // Waits.
  WaitCursor waitCursorKind = WaitCursor::None;
  ClickPos waitCursorPos;
  std::array<ClickPos, 2> cursorOffset{};
  std::array<int32_t, 2> cursorRelative{1, 1};
  std::array<ImageObject, 2> waitCursors;  // 0 click wait, 1 page wait
  int32_t gameLoaded = 0;  // a save was loaded during a wait
  std::array<std::string, 2> clickVoices;
  uint32_t timerBase = 0;

  // Typed text kept for recomposition: colour already multiplied by coverage (24-bit,
  // bottom-up rows like the screen surfaces) and the coverage per pixel.
  std::vector<uint8_t> textLayer;
  std::vector<uint8_t> coverageMap;
  int32_t layerWidth = 0, layerHeight = 0;

  TextLog log;
  int32_t logEnabled = 1;

  // Choices.
  ChoiceItems choiceItems;  // select, selgosub, selnum
  ChoiceItems cselItems;    // csel: read by getcselnum, cselgoto and the custom-choice buttons
  SelectColors selectColors;
  std::array<std::string, 3> selectVoices;  // start, over, click; empty = silent
  // The choice waiting for the player (the dump shows it): its options and the one under the
  // mouse (-1: none). Empty while no choice waits.
  std::vector<std::string> openChoice;
  int32_t openChoiceHighlight = -1;

  // The text log viewer.
  TextRgb lookbackColor{255, 255, 64};
  std::string lookbackVoice;  // the page-turn voice
  // Up highlighted, up normal, down highlighted, down normal.
  std::array<ImageObject, 4> lookbackArrows;
  int32_t lookbackArrowsGiven = 0;  // lookbackbutton replaced the default pictures

  // The wait cursors' pictures as setcursor/abssetcursor named them (click wait, page wait);
  // empty = the built-in cursors. Save files keep these.
  std::array<std::string, 2> waitCursorNames;
};

}  // namespace veloria
