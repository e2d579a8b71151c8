// The save file: every item of "save%d.dat" in file order, held as plain values, with the one
// routine that writes or reads them in that order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/graphics_state.h"

namespace veloria {

struct Engine;

inline constexpr int kSavedSprites = 256;
inline constexpr int kSavedVariables = 200;
inline constexpr int kSavedBars = 100;
inline constexpr int kSavedNumbers = 100;
inline constexpr int kSavedCallStack = 1000;
// Longest name a save file may hold: far above anything a script makes, and it bounds what
// a damaged file can make us allocate.
inline constexpr size_t kMaxSavedName = 65535;
// What starts the extended part of a save file (after the base items, where a base-layout
// file ends) and the extended gloval.sav; a version number follows. The 0x89 and the 0x1A
// keep it from passing for text.
inline constexpr uint8_t kExtendedMarker[8] = {0x89, 0x56, 0x4C, 0x58, 0x0D, 0x0A, 0x1A, 0x0A};
inline constexpr int32_t kExtendedVersion = 1;
// Saves are written with version 2 (the sprite blocks after the bgm items); version 1 saves,
// which end with the bgm items, still load. gloval.sav stays at kExtendedVersion.
inline constexpr int32_t kExtendedSaveVersion = 2;
// Sprites 256..999, which only the extended part of a save holds.
inline constexpr int kSavedHighSprites = kSpriteCount - kSavedSprites;
inline constexpr int kSavedEnhancedSprites = 256;
// Base variables (200) plus those up to the highest border a script may set.
inline constexpr int kMaxSavedVariables = 10000;

// The box text of a save file that is not ours or is damaged (Shift-JIS).
std::string damagedSaveMessage(std::string_view fileName);

struct SaveSnapshot {
  struct SpriteItem {
    std::string name;
    int32_t x = 0, y = 0, visible = 0;
  };
  struct BarItem {
    int32_t value = 0, x = -1, y = 0, width = 0, height = 0, maximum = 0, color = 0;
  };
  struct NumberItem {
    int32_t value = 0, x = -1, y = 0, u = 0, v = 0, color = 0;
  };

  int32_t formatFlag = 1;
  int32_t bold = 0, shadow = 0;
  std::string logPage;
  int32_t logPos = 0;
  int32_t rightClickOn = 1;
  int32_t colorRed = 255, colorBlue = 255, colorGreen = 255;
  std::array<std::string, 2> cursorNames;  // click wait, page wait; empty = built-in
  int32_t windowEffectType = 1, windowEffectDuration = 0;
  std::string windowEffectMask;
  int32_t textOriginX = 0, textOriginY = 0, columnsPerLine = 0, linesPerPage = 0;
  int32_t glyphWidth = 0, glyphHeight = 0, pitchX = 0, pitchY = 0;
  int32_t windowColor = 0, textSpeed = 0;
  int32_t windowLeft = 0, windowTop = 0, windowRight = 0, windowBottom = 0;
  std::string windowPicture;
  std::array<int32_t, 2> cursorRelative{}, cursorOffsetX{}, cursorOffsetY{};
  std::string background;
  std::array<std::string, 3> standNames;
  std::array<int32_t, 3> standX{}, standY{};
  std::array<SpriteItem, kSavedSprites> sprites;
  std::array<int32_t, kSavedVariables> numVars{};
  std::array<std::string, kSavedVariables> strVars;
  int32_t scriptPos = 0;
  int32_t callDepth = 0;
  std::array<int32_t, kSavedCallStack> callStack{};
  int32_t monochrome = 0, monoBlue = 0, monoGreen = 0, monoRed = 0;
  int32_t nega = 0;
  std::string midiName, waveName;
  int32_t cdTrack = -1, midiLoop = 0, waveLoopSetting = 0, cdLoop = 0, mp3Loop = 0;
  std::string mp3Name;
  int32_t eraseWindowOnEffect = 1, textMode = 1;
  std::array<BarItem, kSavedBars> bars;
  std::array<NumberItem, kSavedNumbers> numbers;
  int32_t menuSpeedIndex = 1;
  int32_t allSpritesHidden = 0;
  int32_t logEnabled = 1;
  std::string buttonPicture;

  // ---- the extended layout, after the marker: written only when the state needs it ----
  struct EnhancedSpriteItem {
    std::string name;
    int32_t visible = 0, x = 0, y = 0, scaleX = 100, scaleY = 100, angle = 0, opacity = 255;
  };
  struct FrameItem {
    int32_t kind = 0;  // 0 subroutine return, 1 user command, 2 loop
    int32_t pos = 0;   // return position, argument position, or loop body
    int32_t argsRead = 0;
    int32_t var = 0, end = 0, step = 0;
  };
  bool extended = false;
  int32_t extendedVersion = kExtendedSaveVersion;
  // The global border, and the game's own variables from 200 up to it.
  int32_t globalBorder = 200;
  int32_t moreVariables = 0;
  std::vector<int32_t> moreNumVars;
  std::vector<std::string> moreStrVars;
  // The call stack with the kind of each frame (the base items hold positions only).
  int32_t frameCount = 0;
  std::array<FrameItem, kSavedCallStack> frames{};
  // The bgm music: its file, what started it (BgmKind), and loopbgm's looping file.
  std::string bgmName;
  int32_t bgmKind = 0;
  std::string bgmLoopName;
  // Version 2: sprites 256..999, as the base sprite groups.
  std::array<SpriteItem, kSavedHighSprites> highSprites;
  // Not saved: whether a sprite 256..999 was defined when the state was taken (sprites change
  // only by commands that take the whole state again).
  bool highSpritesDefined = false;
  // From version 2: the enhanced sprites (the pictures are loaded again by name).
  std::array<EnhancedSpriteItem, kSavedEnhancedSprites> enhancedSprites;
};

// The engine's per-game state as the save file holds it.
void captureSnapshot(const Engine& e, SaveSnapshot& s);
// Brings the script's items of a snapshot taken before up to date: the variables written
// since (ScriptState::writtenVariables), the call stack above its unchanged part, the
// position. The caller then lets the script forget what was written.
void updateScriptItems(const Engine& e, SaveSnapshot& s);
void encodeSnapshot(const SaveSnapshot& s, std::vector<uint8_t>& out);
// Reads a save file. False when it cannot have been written by us: a value outside what the
// engine can hold (positions past the script, a call stack deeper than its array, an index
// into a table out of range, a string longer than any name), so nothing of it may be used.
bool decodeSnapshot(const uint8_t* data, size_t size, uint32_t scriptLength, SaveSnapshot& s);
// Puts the values into the engine (no pictures are loaded and no sound is started here).
void applySnapshot(Engine& e, const SaveSnapshot& s);

}  // namespace veloria
