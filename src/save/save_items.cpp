// The save file's items, in file order. transferItems is the only place that knows the
// order: writing and reading run the same routine, so the two directions cannot disagree.
#include "save/save_items.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <type_traits>

#include "engine/engine.h"
#include "platform/text_codec.h"
#include "save/save_image.h"
#include "script/script.h"
#include "text/text_log.h"

namespace veloria {

static_assert(kSavedVariables <= kLocalVariableCount, "the write list must cover every saved variable");

namespace {

struct Writing {
  ItemWriter w;
  void i(int32_t v) { w.putInt(v); }
  void s(const std::string& v) { w.putString(v); }
  int32_t count(int32_t n, int32_t max) {
    w.putInt(n);
    return std::clamp(n, 0, max);
  }
  bool marker(bool extended) {
    if (extended) w.putBytes(kExtendedMarker, sizeof kExtendedMarker);
    return extended;
  }
  void bad() {}
};

struct Reading {
  ItemReader r;
  void i(int32_t& v) { v = r.getInt(); }
  void s(std::string& v) { r.getString(v, kMaxSavedName); }
  // A count beyond its table cannot come from us: nothing after it can be trusted.
  int32_t count(int32_t& n, int32_t max) {
    n = r.getInt();
    if (n < 0 || n > max) {
      r.markDamaged();
      return 0;
    }
    return n;
  }
  // The extended part follows when its marker does.
  bool marker(bool& extended) {
    extended = r.take(kExtendedMarker, sizeof kExtendedMarker);
    return extended;
  }
  void bad() { r.markDamaged(); }
};

template <class Io, class S>
void transferItems(Io& io, S& s) {
  io.i(s.formatFlag);
  io.i(s.bold);
  io.i(s.shadow);
  io.s(s.logPage);
  io.i(s.logPos);
  io.i(s.rightClickOn);
  io.i(s.colorRed);
  io.i(s.colorBlue);
  io.i(s.colorGreen);
  io.s(s.cursorNames[0]);
  io.s(s.cursorNames[1]);
  io.i(s.windowEffectType);
  io.i(s.windowEffectDuration);
  io.s(s.windowEffectMask);
  io.i(s.textOriginX);
  io.i(s.textOriginY);
  io.i(s.columnsPerLine);
  io.i(s.linesPerPage);
  io.i(s.glyphWidth);
  io.i(s.glyphHeight);
  io.i(s.pitchX);
  io.i(s.pitchY);
  io.i(s.windowColor);
  io.i(s.textSpeed);
  io.i(s.windowLeft);
  io.i(s.windowTop);
  io.i(s.windowRight);
  io.i(s.windowBottom);
  io.s(s.windowPicture);
  io.i(s.cursorRelative[0]);
  io.i(s.cursorRelative[1]);
  io.i(s.cursorOffsetX[0]);
  io.i(s.cursorOffsetX[1]);
  io.i(s.cursorOffsetY[0]);
  io.i(s.cursorOffsetY[1]);
  io.s(s.background);
  for (auto& n : s.standNames) io.s(n);
  for (auto& x : s.standX) io.i(x);
  for (auto& y : s.standY) io.i(y);
  for (auto& sp : s.sprites) {
    io.s(sp.name);
    io.i(sp.x);
    io.i(sp.y);
    io.i(sp.visible);
  }
  for (int i = 0; i < kSavedVariables; ++i) {
    io.i(s.numVars[static_cast<size_t>(i)]);
    io.s(s.strVars[static_cast<size_t>(i)]);
  }
  io.i(s.scriptPos);
  int32_t depth = io.count(s.callDepth, kSavedCallStack);
  for (int32_t i = 0; i < depth; ++i) io.i(s.callStack[static_cast<size_t>(i)]);
  io.i(s.monochrome);
  io.i(s.monoBlue);
  io.i(s.monoGreen);
  io.i(s.monoRed);
  io.i(s.nega);
  io.s(s.midiName);
  io.s(s.waveName);
  io.i(s.cdTrack);
  io.i(s.midiLoop);
  io.i(s.waveLoopSetting);
  io.i(s.cdLoop);
  io.i(s.mp3Loop);
  io.s(s.mp3Name);
  io.i(s.eraseWindowOnEffect);
  io.i(s.textMode);
  if (s.formatFlag == 1) {  // older files end before the bars and numbers
    for (auto& b : s.bars) {
      io.i(b.value);
      io.i(b.x);
      io.i(b.y);
      io.i(b.width);
      io.i(b.height);
      io.i(b.maximum);
      io.i(b.color);
    }
    for (auto& n : s.numbers) {
      io.i(n.value);
      io.i(n.x);
      io.i(n.y);
      io.i(n.u);
      io.i(n.v);
      io.i(n.color);
    }
  }
  io.i(s.menuSpeedIndex);
  io.i(s.allSpritesHidden);
  io.i(s.logEnabled);
  io.s(s.buttonPicture);
  if (!io.marker(s.extended)) return;
  io.i(s.extendedVersion);
  // The game's own variables past the base 200, up to the border.
  io.i(s.globalBorder);
  const int32_t more = io.count(s.moreVariables, kMaxSavedVariables - kSavedVariables);
  if constexpr (!std::is_const_v<S>) {
    s.moreNumVars.resize(static_cast<size_t>(more));
    s.moreStrVars.resize(static_cast<size_t>(more));
  }
  for (int32_t i = 0; i < more; ++i) {
    io.i(s.moreNumVars[static_cast<size_t>(i)]);
    io.s(s.moreStrVars[static_cast<size_t>(i)]);
  }
  // The call stack with its frames' kinds.
  const int32_t frames = io.count(s.frameCount, kSavedCallStack);
  for (int32_t i = 0; i < frames; ++i) {
    auto& f = s.frames[static_cast<size_t>(i)];
    io.i(f.kind);
    switch (f.kind) {
      case 0: io.i(f.pos); break;
      case 1:
        io.i(f.pos);
        io.i(f.argsRead);
        break;
      case 2:
        io.i(f.var);
        io.i(f.end);
        io.i(f.step);
        io.i(f.pos);
        break;
      default: io.bad(); return;
    }
  }
  // The bgm music: its file, what started it, and loopbgm's looping file.
  io.s(s.bgmName);
  io.i(s.bgmKind);
  io.s(s.bgmLoopName);
  if (s.extendedVersion < kExtendedSaveVersion) return;
  // Sprites 256..999, each as a base sprite group.
  for (auto& sp : s.highSprites) {
    io.s(sp.name);
    io.i(sp.x);
    io.i(sp.y);
    io.i(sp.visible);
  }
  // The enhanced sprites.
  for (auto& sp : s.enhancedSprites) {
    io.s(sp.name);
    io.i(sp.visible);
    io.i(sp.x);
    io.i(sp.y);
    io.i(sp.scaleX);
    io.i(sp.scaleY);
    io.i(sp.angle);
    io.i(sp.opacity);
  }
}

bool within(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// The position and the call stack from entry `from` up (the entries below are in `s` already).
void copyCallStack(const ScriptState& script, SaveSnapshot& s, int32_t from) {
  s.scriptPos = static_cast<int32_t>(script.scriptPos);
  const CallStack& cs = script.callStack;
  s.callDepth = std::clamp(cs.depth, 0, kSavedCallStack);
  for (int32_t i = std::max(from, 0); i < s.callDepth; ++i)
    s.callStack[static_cast<size_t>(i)] = static_cast<int32_t>(cs.entries[static_cast<size_t>(i)].pos);
}

int32_t flag(int32_t v) { return v != 0 ? 1 : 0; }
int32_t byteValue(int32_t v) { return std::clamp(v, 0, 255); }

bool anyEnhancedSprite(const GraphicsState& g) {
  return std::any_of(g.enhancedSprites.begin(), g.enhancedSprites.end(),
                     [](const EnhancedSprite& sp) { return !sp.name.empty(); });
}

void copySprite(const Sprite& from, SaveSnapshot::SpriteItem& to) {
  // Save points come often and most names stay as they were: copy only changes.
  if (to.name.size() != from.name.size() || to.name != from.name) to.name = from.name;
  to.x = from.x;
  to.y = from.y;
  to.visible = from.visible;
}

// Whether the extended part is needed: a game of the extended dialect whose state the base
// items cannot hold (a border other than 200, a frame other than a subroutine's, bgm music,
// a sprite numbered 256 or more, an enhanced sprite).
bool needsExtendedItems(const Engine& e, const SaveSnapshot& s, bool typedFrames) {
  const ScriptState& ss = e.script;
  return ss.dialect == Dialect::Extended && (ss.globalBorder != kLocalVariableCount || typedFrames ||
                                             e.sound.bgmKind != BgmKind::None || s.highSpritesDefined ||
                                             anyEnhancedSprite(e.gfx));
}

void captureExtendedItems(const Engine& e, SaveSnapshot& s, bool typedFrames) {
  const ScriptState& ss = e.script;
  const SoundState& snd = e.sound;
  s.extended = needsExtendedItems(e, s, typedFrames);
  if (!s.extended) return;
  s.extendedVersion = kExtendedSaveVersion;
  s.globalBorder = ss.globalBorder;
  s.moreVariables = std::max(0, ss.globalBorder - kSavedVariables);
  const auto more = static_cast<size_t>(s.moreVariables);
  s.moreNumVars.assign(ss.numVars.begin() + kSavedVariables, ss.numVars.begin() + kSavedVariables + more);
  s.moreStrVars.resize(more);
  // Save points come often and most of these strings stay as they were: copy only changes.
  for (size_t i = 0; i < more; ++i) {
    const std::string& from = ss.strVars[kSavedVariables + i];
    std::string& to = s.moreStrVars[i];
    if (to.size() != from.size() || to != from) to = from;
  }
  s.frameCount = s.callDepth;
  for (int32_t i = 0; i < s.frameCount; ++i) {
    const CallFrame& f = ss.callStack.entries[static_cast<size_t>(i)];
    s.frames[static_cast<size_t>(i)] = SaveSnapshot::FrameItem{static_cast<int32_t>(f.kind), static_cast<int32_t>(f.pos),
                                                               f.argsRead, f.var, f.end, f.step};
  }
  s.bgmName = snd.bgmName;
  s.bgmKind = static_cast<int32_t>(snd.bgmKind);
  s.bgmLoopName = snd.bgmLoopName;
  const std::vector<Sprite>& sprites = e.gfx.sprites;
  for (size_t i = 0; i < kSavedHighSprites; ++i) {
    const size_t n = kSavedSprites + i;
    if (n < sprites.size()) copySprite(sprites[n], s.highSprites[i]);
    else s.highSprites[i] = SaveSnapshot::SpriteItem{};
  }
  for (size_t i = 0; i < kSavedEnhancedSprites; ++i) {
    const EnhancedSprite& sp = e.gfx.enhancedSprites[i];
    s.enhancedSprites[i] =
        SaveSnapshot::EnhancedSpriteItem{sp.name, sp.visible, sp.x, sp.y, sp.scaleX, sp.scaleY, sp.angle, sp.opacity};
  }
}

// What the extended part must hold to be ours.
bool extendedItemsValid(const SaveSnapshot& s, int32_t scriptEnd) {
  if (!within(s.extendedVersion, 1, kExtendedSaveVersion)) return false;
  if (!within(s.globalBorder, 1, kMaxVariableCount)) return false;
  if (s.moreVariables != std::max(0, s.globalBorder - kSavedVariables)) return false;
  if (s.frameCount != s.callDepth) return false;
  for (int32_t i = 0; i < s.frameCount; ++i) {
    const auto& f = s.frames[static_cast<size_t>(i)];
    if (!within(f.pos, 0, scriptEnd)) return false;
    if (f.kind == 1 && !within(f.argsRead, 0, 1)) return false;
    if (f.kind == 2 && (!within(f.var, 0, kMaxVariableCount - 1) || f.step == 0)) return false;
  }
  for (const auto& sp : s.enhancedSprites)
    if (!within(sp.visible, 0, 1) || !within(sp.opacity, 0, 255)) return false;
  return within(s.bgmKind, 0, 3);
}

}  // namespace

std::string damagedSaveMessage(std::string_view fileName) {
  std::string m = sj("セーブデータ");
  m += fileName;
  m += sj("が壊れているため、ロードできません。");
  return m;
}

void captureSnapshot(const Engine& e, SaveSnapshot& s) {
  const TextState& t = e.text;
  const GraphicsState& g = e.gfx;
  const SoundState& snd = e.sound;
  s.formatFlag = 1;
  s.bold = t.boldText;
  s.shadow = t.shadowText;
  s.logPage = logAsRing(t.log, s.logPos);
  s.rightClickOn = e.ui.rightClickOn;
  s.colorRed = t.textColor.r;
  s.colorBlue = t.textColor.b;
  s.colorGreen = t.textColor.g;
  s.cursorNames = t.waitCursorNames;
  s.windowEffectType = g.windowEffect.type;
  s.windowEffectDuration = g.windowEffect.duration;
  s.windowEffectMask = g.windowEffect.mask;
  s.textOriginX = t.textOriginX;
  s.textOriginY = t.textOriginY;
  s.columnsPerLine = t.columnsPerLine;
  s.linesPerPage = t.linesPerPage;
  s.glyphWidth = t.glyphWidth;
  s.glyphHeight = t.glyphHeight;
  s.pitchX = t.pitchX;
  s.pitchY = t.pitchY;
  s.windowColor = t.windowColor;
  s.textSpeed = t.textSpeed;
  s.windowLeft = t.windowRect.left;
  s.windowTop = t.windowRect.top;
  s.windowRight = t.windowRect.right;
  s.windowBottom = t.windowRect.bottom;
  s.windowPicture = t.windowColor == -1 ? t.windowImage.name : std::string();
  for (size_t i = 0; i < 2; ++i) {
    s.cursorRelative[i] = t.cursorRelative[i];
    s.cursorOffsetX[i] = t.cursorOffset[i].x;
    s.cursorOffsetY[i] = t.cursorOffset[i].y;
  }
  s.background = g.backgroundName;
  for (size_t i = 0; i < 3; ++i) {
    s.standNames[i] = g.standImages[i].name;
    s.standX[i] = g.standImages[i].x;
    s.standY[i] = g.standImages[i].y;
  }
  for (size_t i = 0; i < kSavedSprites; ++i) {
    auto& out = s.sprites[i];
    if (i >= g.sprites.size()) {
      out = SaveSnapshot::SpriteItem{};
      continue;
    }
    const Sprite& sp = g.sprites[i];
    out.name = sp.name;
    out.x = sp.x;
    out.y = sp.y;
    out.visible = sp.visible;
  }
  s.highSpritesDefined = false;
  for (size_t i = kSavedSprites; i < g.sprites.size() && !s.highSpritesDefined; ++i)
    s.highSpritesDefined = !g.sprites[i].name.empty();
  for (size_t i = 0; i < kSavedVariables; ++i) {
    s.numVars[i] = e.script.numVars[i];
    s.strVars[i] = e.script.strVars[i];
  }
  copyCallStack(e.script, s, 0);
  bool typedFrames = false;
  for (int32_t i = 0; i < s.callDepth; ++i)
    typedFrames = typedFrames || e.script.callStack.entries[static_cast<size_t>(i)].kind != FrameKind::Gosub;
  captureExtendedItems(e, s, typedFrames);
  s.monochrome = g.monochrome;
  s.monoBlue = g.monoBlue;
  s.monoGreen = g.monoGreen;
  s.monoRed = g.monoRed;
  s.nega = g.negaMode;
  s.midiName = snd.midiName;
  s.waveName = snd.waveName;
  s.cdTrack = snd.cdTrack;
  s.midiLoop = snd.midiLoop;
  s.waveLoopSetting = snd.waveLoopSetting;
  s.cdLoop = snd.cdLoop;
  s.mp3Loop = snd.mp3Loop;
  s.mp3Name = snd.mp3Loop ? snd.mp3Name : std::string();  // a one-shot MP3 is not resumed
  s.eraseWindowOnEffect = t.eraseWindowOnEffect;
  s.textMode = t.textMode;
  for (size_t i = 0; i < kSavedBars; ++i) {
    const BarSlot& b = g.bars[i];
    s.bars[i] = SaveSnapshot::BarItem{b.value, b.x, b.y, b.width, b.height, b.maximum, static_cast<int32_t>(b.color)};
  }
  for (size_t i = 0; i < kSavedNumbers; ++i) {
    const NumberSlot& n = g.numbers[i];
    s.numbers[i] = SaveSnapshot::NumberItem{n.value, n.x, n.y, n.u, n.v, static_cast<int32_t>(n.color)};
  }
  s.menuSpeedIndex = t.menuSpeedIndex;
  s.allSpritesHidden = g.allSpritesHidden;
  s.logEnabled = t.logEnabled;
  s.buttonPicture = g.buttonPictureName;
}

void updateScriptItems(const Engine& e, SaveSnapshot& s) {
  const ScriptState& script = e.script;
  const size_t more = s.extended ? s.moreNumVars.size() : 0;
  script.writtenVariables.forEach([&](int32_t i, bool isString) {
    const auto k = static_cast<size_t>(i);
    if (k < kSavedVariables) {
      if (isString) s.strVars[k] = script.strVars[k];
      else s.numVars[k] = script.numVars[k];
    } else if (k - kSavedVariables < more) {  // the game's own variables past 200
      if (isString) s.moreStrVars[k - kSavedVariables] = script.strVars[k];
      else s.moreNumVars[k - kSavedVariables] = script.numVars[k];
    }
  });
  const int32_t from = script.callStack.unchangedBelow;
  copyCallStack(script, s, from);
  if (script.dialect != Dialect::Extended) return;
  // A return can take the last typed frame away, and with it the need for the extended part.
  bool typedFrames = false;
  for (int32_t i = 0; i < s.callDepth && !typedFrames; ++i)
    typedFrames = script.callStack.entries[static_cast<size_t>(i)].kind != FrameKind::Gosub;
  if (needsExtendedItems(e, s, typedFrames) != s.extended) {
    captureExtendedItems(e, s, typedFrames);
    return;
  }
  if (!s.extended) return;
  s.frameCount = s.callDepth;
  for (int32_t i = std::max(from, 0); i < s.frameCount; ++i) {
    const CallFrame& f = script.callStack.entries[static_cast<size_t>(i)];
    s.frames[static_cast<size_t>(i)] = SaveSnapshot::FrameItem{static_cast<int32_t>(f.kind), static_cast<int32_t>(f.pos),
                                                               f.argsRead, f.var, f.end, f.step};
  }
}

void encodeSnapshot(const SaveSnapshot& s, std::vector<uint8_t>& out) {
  out.clear();
  Writing io{ItemWriter(out)};
  transferItems(io, s);
}

bool decodeSnapshot(const uint8_t* data, size_t size, uint32_t scriptLength, SaveSnapshot& s) {
  Reading io{ItemReader(data, size)};
  transferItems(io, s);
  // The extended part is the file's last: anything after it was not written by us.
  if (s.extended && !io.r.atEnd()) return false;
  // A base-layout or version 1 file holds no sprites past 255.
  if (!s.extended || s.extendedVersion < kExtendedSaveVersion) s.highSprites.fill(SaveSnapshot::SpriteItem{});
  // A file from before the enhanced sprites (or without an extended part) has none.
  if (!s.extended || s.extendedVersion < 2) s.enhancedSprites.fill(SaveSnapshot::EnhancedSpriteItem{});
  if (s.formatFlag != 1) {  // no bars or numbers in the file: none on the screen
    s.bars.fill(SaveSnapshot::BarItem{});
    s.numbers.fill(SaveSnapshot::NumberItem{});
  }
  // A save slot is always written whole: one that ends before its last item was cut short
  // (or is not a save at all), and loading its zeros would put a blank game in place.
  if (io.r.damaged() || io.r.ranOut()) return false;
  const int32_t end = static_cast<int32_t>(std::min<uint32_t>(scriptLength, INT32_MAX));
  if (!within(s.scriptPos, 0, end)) return false;
  for (int32_t i = 0; i < s.callDepth; ++i)
    if (!within(s.callStack[static_cast<size_t>(i)], 0, end)) return false;
  if (!within(s.logPos, 0, TextLog::kSize)) return false;
  if (s.columnsPerLine < 0 || s.linesPerPage < 0) return false;
  if (!within(s.windowColor, -1, 0xFFFFFF)) return false;
  if (!within(s.nega, 0, 2)) return false;
  if (!within(s.menuSpeedIndex, 0, 2)) return false;
  if (s.cdTrack < -1) return false;
  // A colour background is "#" and six hex digits, as bg wrote it.
  if (!s.background.empty() && s.background[0] == '#') {
    if (s.background.size() < 7) return false;
    for (size_t i = 1; i < 7; ++i)
      if (!std::isxdigit(static_cast<unsigned char>(s.background[i]))) return false;
  }
  for (const auto& b : s.bars)
    if (!within(b.color, 0, 0xFFFFFF)) return false;
  for (const auto& n : s.numbers)
    if (!within(n.color, 0, 0xFFFFFF)) return false;
  if (s.extended && !extendedItemsValid(s, end)) return false;
  return true;
}

void applySnapshot(Engine& e, const SaveSnapshot& s) {
  TextState& t = e.text;
  GraphicsState& g = e.gfx;
  SoundState& snd = e.sound;
  t.boldText = s.bold;
  t.shadowText = s.shadow;
  // The page replaces the start of the emptied log; what it does not cover stays blank.
  size_t n = std::min(s.logPage.size(), static_cast<size_t>(TextLog::kSize));
  std::copy_n(s.logPage.begin(), n, t.log.buffer.begin());
  t.log.writePos = s.logPos;
  e.ui.rightClickOn = s.rightClickOn;
  t.textColor = TextRgb{byteValue(s.colorRed), byteValue(s.colorGreen), byteValue(s.colorBlue)};
  t.waitCursorNames = s.cursorNames;
  g.windowEffect.type = s.windowEffectType;
  g.windowEffect.duration = s.windowEffectDuration;
  g.windowEffect.mask = s.windowEffectMask;
  t.textOriginX = s.textOriginX;
  t.textOriginY = s.textOriginY;
  t.columnsPerLine = s.columnsPerLine;
  t.linesPerPage = s.linesPerPage;
  t.glyphWidth = s.glyphWidth;
  t.glyphHeight = s.glyphHeight;
  t.pitchX = s.pitchX;
  t.pitchY = s.pitchY;
  t.windowColor = s.windowColor;
  t.textSpeed = s.textSpeed;
  t.windowRect = TextRect{s.windowLeft, s.windowTop, s.windowRight, s.windowBottom};
  for (size_t i = 0; i < 2; ++i) {
    t.cursorRelative[i] = flag(s.cursorRelative[i]);
    t.cursorOffset[i] = ClickPos{s.cursorOffsetX[i], s.cursorOffsetY[i]};
  }
  g.backgroundName = s.background;
  for (size_t i = 0; i < 3; ++i) {
    g.standImages[i].name = s.standNames[i];
    g.standImages[i].x = s.standX[i];
    g.standImages[i].y = s.standY[i];
  }
  // The extended items mean nothing to a base-language game.
  const bool extended = s.extended && extendedDialect(e);
  if (g.sprites.size() < kSpriteCount) g.sprites.resize(kSpriteCount);
  const SaveSnapshot::SpriteItem none;
  for (size_t i = 0; i < kSpriteCount; ++i) {
    const SaveSnapshot::SpriteItem& from =
        i < kSavedSprites ? s.sprites[i] : extended ? s.highSprites[i - kSavedSprites] : none;
    Sprite& sp = g.sprites[i];
    sp.name = from.name;
    sp.x = from.x;
    sp.y = from.y;
    sp.visible = flag(from.visible);
  }
  // With a border below 200 the variables from it up are global: the file's copies of them
  // are not the game's to take.
  const size_t own = s.extended ? static_cast<size_t>(std::min(s.globalBorder, kSavedVariables)) : kSavedVariables;
  for (size_t i = 0; i < own; ++i) {
    e.script.numVars[i] = s.numVars[i];
    std::string v = s.strVars[i];
    truncateSjis(v, kMaxStringBytes);
    e.script.strVars[i] = std::move(v);
  }
  e.script.scriptPos = static_cast<uint32_t>(s.scriptPos);
  CallStack& cs = e.script.callStack;
  cs.depth = s.callDepth;
  for (int32_t i = 0; i < s.callDepth; ++i)
    cs.entries[static_cast<size_t>(i)] = CallFrame{FrameKind::Gosub, static_cast<uint32_t>(s.callStack[static_cast<size_t>(i)])};
  if (s.extended) {
    for (size_t i = 0; i < s.moreNumVars.size() && kSavedVariables + i < kMaxVariableCount; ++i) {
      e.script.numVars[kSavedVariables + i] = s.moreNumVars[i];
      std::string v = s.moreStrVars[i];
      truncateSjis(v, kMaxStringBytes);
      e.script.strVars[kSavedVariables + i] = std::move(v);
    }
    for (int32_t i = 0; i < s.frameCount; ++i) {
      const auto& f = s.frames[static_cast<size_t>(i)];
      cs.entries[static_cast<size_t>(i)] =
          CallFrame{static_cast<FrameKind>(f.kind), static_cast<uint32_t>(f.pos), f.argsRead, f.var, f.end, f.step};
    }
  }
  g.monochrome = flag(s.monochrome);
  g.monoBlue = byteValue(s.monoBlue);
  g.monoGreen = byteValue(s.monoGreen);
  g.monoRed = byteValue(s.monoRed);
  g.negaMode = s.nega;
  snd.midiName = s.midiName;
  snd.waveName = s.waveName;
  snd.cdTrack = s.cdTrack;
  snd.midiLoop = flag(s.midiLoop);
  snd.waveLoopSetting = flag(s.waveLoopSetting);
  snd.cdLoop = flag(s.cdLoop);
  snd.mp3Loop = flag(s.mp3Loop);
  snd.mp3Name = s.mp3Name;
  t.eraseWindowOnEffect = s.eraseWindowOnEffect;
  t.textMode = s.textMode;
  for (size_t i = 0; i < kSavedBars; ++i) {
    const auto& b = s.bars[i];
    g.bars[i] = BarSlot{b.x, b.y, b.width, b.height, b.value, b.maximum, static_cast<uint32_t>(b.color)};
  }
  for (size_t i = 0; i < kSavedNumbers; ++i) {
    const auto& nn = s.numbers[i];
    g.numbers[i] = NumberSlot{nn.x, nn.y, nn.u, nn.v, static_cast<uint32_t>(nn.color), nn.value};
  }
  t.menuSpeedIndex = s.menuSpeedIndex;
  g.allSpritesHidden = flag(s.allSpritesHidden);
  t.logEnabled = flag(s.logEnabled);
  g.buttonPictureName = s.buttonPicture;
  snd.bgmName = extended ? s.bgmName : std::string();
  snd.bgmKind = extended ? static_cast<BgmKind>(s.bgmKind) : BgmKind::None;
  snd.bgmLoopName = extended ? s.bgmLoopName : std::string();
  for (size_t i = 0; i < kSavedEnhancedSprites; ++i) {
    EnhancedSprite& sp = g.enhancedSprites[i];
    const auto& in = s.enhancedSprites[i];
    sp.name = extended ? in.name : std::string();
    sp.visible = extended ? in.visible : 0;
    sp.x = extended ? in.x : 0;
    sp.y = extended ? in.y : 0;
    sp.scaleX = extended ? in.scaleX : 100;
    sp.scaleY = extended ? in.scaleY : 100;
    sp.angle = extended ? in.angle : 0;
    sp.opacity = extended ? in.opacity : 255;
  }
}

}  // namespace veloria
