// Graphics state: surfaces, pictures, sprites, effects.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/picture.h"

namespace veloria {

struct Engine;

// The changed area waiting for the next transition. All four 0 means empty. A picture at
// (x, y) is added as (x, y, x + visible width + 1, y + visible height + 1).
struct DirtyRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
};

struct Sprite {
  std::string name;  // the text given to lsp/lsph (Shift-JIS); empty = not defined
  int32_t visible = 0;
  int32_t x = 0, y = 0;
  ImageObject image;
};

// A sprite drawn scaled, mirrored, rotated about its centre and faded (lsp2 and its kin).
struct EnhancedSprite {
  std::string name;  // the text given to lsp2/lsph2 (Shift-JIS); empty = not defined
  int32_t visible = 0;
  int32_t x = 0, y = 0;  // the centre
  int32_t scaleX = 100, scaleY = 100, angle = 0, opacity = 255;  // percent, degrees, 0..255
  ImageObject image;
};

struct StandImage {
  std::string name;  // the text given to ld; empty = none
  int32_t x = 0, y = 0;
  ImageObject image;
};

struct EffectSlot {
  int32_t type = -1;  // -1: never defined
  int32_t duration = 0;
  std::string mask;
};

struct WindowEffectSetting {
  int32_t type = 1;
  int32_t duration = 0;
  std::string mask;
};

struct BarSlot {
  int32_t x = -1;  // -1: empty
  int32_t y = 0, width = 0, height = 0, value = 0, maximum = 0;
  uint32_t color = 0;  // 0xRRGGBB
};

struct NumberSlot {
  int32_t x = -1;  // -1: empty
  int32_t y = 0, u = 0, v = 0;
  uint32_t color = 0;  // 0xRRGGBB
  int32_t value = 0;
};

enum class ButtonKind : int32_t { Image, Sprite, Text };

// A clickable rectangle. sourceX/sourceY: for an image button where its hover look lies in
// the button picture; for a sprite button sourceY is ~sprite, for a text button sourceX is
// ~choice index (both negative). The kind is kept as the defining command said, so an image
// button with a negative source is still an image button.
struct Button {
  ButtonKind kind = ButtonKind::Image;
  int32_t number = 0;
  int32_t x = 0, y = 0, width = 0, height = 0;
  int32_t right = 0, bottom = 0;  // inclusive: x + width - 1, y + height - 1
  int32_t sourceX = 0, sourceY = 0;
  // exbtn: the sprites shown and hidden while the pointer is over it (empty: none).
  std::string control;
};

struct BackgroundWindow {
  int32_t x = -1;  // -1: off
  int32_t y = 0, width = 0, height = 0;
};

// The sprite table; a base-language game uses only its first kBaseSpriteCount.
constexpr int kSpriteCount = 1000;
constexpr int kBaseSpriteCount = 256;
constexpr int kEnhancedSpriteCount = 256;
constexpr int kEffectSlots = 256;
constexpr int kBarSlots = 100;
constexpr int kNumberSlots = 100;
constexpr int kButtonSlots = 256;
enum StandPos { STAND_LEFT = 0, STAND_CENTRE = 1, STAND_RIGHT = 2 };
// The frame hook's type for the frames of quakex and quakey (effects use 1..18).
constexpr int kQuakeXFrames = 101;
constexpr int kQuakeYFrames = 102;
// ... and for the frames of quake, which shakes in both directions at once.
constexpr int kQuakeFrames = 103;
// The later dialect's effect type of a transition a plug-in runs ("library.dll/options").
constexpr int kPluginEffect = 99;
// Layers a plug-in may draw on (setlayer).
constexpr int kPluginLayers = 32;

// A layer setlayer attached a plug-in to. Plug-in layers are not run: the layer is only
// remembered, and draws nothing.
struct PluginLayer {
  std::string plugin;  // the library name as the script gave it (Shift-JIS); empty = none
  int32_t interval = 0;  // ms between the plug-in's updates
};

struct GraphicsState {
  ImageObject displaySurface;  // what the window shows
  ImageObject composeSurface;  // the frame being built
  ImageObject effectSurface;   // scratch for effects and for centring a background
  ImageObject bgSurface;       // the background
  std::string backgroundName = "black";  // Shift-JIS, kept for saving

  std::array<StandImage, 3> standImages;
  std::array<int32_t, 3> standCentreX{160, 320, 480};
  std::vector<Sprite> sprites = std::vector<Sprite>(kSpriteCount);
  int32_t allSpritesHidden = 0;
  std::array<EnhancedSprite, kEnhancedSpriteCount> enhancedSprites;

  DirtyRect dirtyRect;

  std::array<EffectSlot, kEffectSlots> effectTable;
  int32_t effectBlank = 30;
  WindowEffectSetting windowEffect;

  int32_t defaultTransMode = 0;
  int32_t optionalImage = 0;

  // Filters and extra layers of the composition.
  int32_t monochrome = 0;
  int32_t monoRed = 0, monoGreen = 0, monoBlue = 0;
  int32_t negaMode = 0;  // 0 off, 1 before the monochrome filter, 2 after it
  std::array<BarSlot, kBarSlots> bars;
  std::array<NumberSlot, kNumberSlots> numbers;
  BackgroundWindow bgWindow;

  // The picture getscreenshot took (none until then, and after deletescreenshot).
  ImageObject screenshot;
  std::array<PluginLayer, kPluginLayers> pluginLayers;

  // The picture the hover looks of image buttons are cut from (btndef); its name is kept
  // for saving.
  ImageObject buttonPicture;
  std::string buttonPictureName;

  // Set by the system menu while it composes its own screens; with mode_saya on, sprites
  // 0-9, bars and numbers are then left out of the composition.
  int32_t systemMenuComposing = 0;

  // The area (inclusive) composeScreen is rebuilding; the text window layer clips to it.
  ClipRect composeArea;

  // Called after every frame an effect or a quake shows (tests and tools watch transitions
  // with it).
  std::function<void(Engine&, int type, int frame)> effectFrameHook;

  // Buttons: the first buttonCount entries are in use.
  std::array<Button, kButtonSlots> buttons{};
  int32_t buttonCount = 0;
  // exbtn_d: the control string applied while no button is under the pointer.
  std::string buttonDefaultControl;
  int32_t buttonTimeout = -1;  // ms; -1: none
  int32_t buttonMask = -1;     // only buttons numbered above it answer
  int32_t lastButtonWaitTime = 0;
  int32_t buttonNoErase = 0;   // btnnowindowerase: the waits leave the text window alone
  // While a button wait runs: 1 button wait, 2 link wait (0 otherwise); and its modes.
  int32_t buttonWaitOpen = 0;
  int32_t textButtonMode = 0, selectButtonMode = 0;
};

}  // namespace veloria
