// The enhanced sprite table's commands: lsp2, lsph2, csp2, amsp2, msp2.
#include <algorithm>
#include <string>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "graphics/enhanced_sprites.h"
#include "graphics/graphics.h"
#include "graphics/graphics_commands.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "text/text.h"

namespace veloria {

namespace {

// A number outside the table is an error for every command (never a write past the table).
EnhancedSprite& enhancedAt(Engine& e, int n) {
  if (n < 0 || n >= kEnhancedSpriteCount)
    reportScriptErrorF(e, sj("パラメータエラー"), sj("拡張スプライト番号%dは範囲外です。"), std::to_string(n));
  return e.gfx.enhancedSprites[static_cast<size_t>(n)];
}

EnhancedSprite& definedEnhanced(Engine& e, int n) {
  EnhancedSprite& s = enhancedAt(e, n);
  if (s.name.empty())
    reportScriptErrorF(e, sj("エラー"), sj("定義されていない拡張スプライト%dを使おうとしました。"), std::to_string(n));
  return s;
}

int32_t opacityOf(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, 255)); }
int32_t saturated(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// x, y, sx, sy, r and the optional opacity, after the sprite number's comma.
struct Placement {
  int32_t x = 0, y = 0, sx = 0, sy = 0, r = 0, a = 0;
  bool haveA = false;
};

Placement readPlacement(Engine& e) {
  Placement p;
  p.x = readNumber(e);
  expectComma(e);
  p.y = readNumber(e);
  expectComma(e);
  p.sx = readNumber(e);
  expectComma(e);
  p.sy = readNumber(e);
  expectComma(e);
  p.r = readNumber(e);
  if (optionalArgFollows(e)) {
    expectComma(e);
    p.a = readNumber(e);
    p.haveA = true;
  }
  return p;
}

void loadEnhanced(Engine& e, bool visible) {
  const int n = readNumber(e);
  expectComma(e);
  const std::string name = readString(e);
  expectComma(e);
  const Placement p = readPlacement(e);
  hideTextWindow(e);
  EnhancedSprite& s = enhancedAt(e, n);
  if (!s.name.empty() && s.visible) addEnhancedSpriteDirty(e, s);
  s.name = name;
  loadImage(e, s.image, name);
  s.x = p.x;
  s.y = p.y;
  s.scaleX = p.sx;
  s.scaleY = p.sy;
  s.angle = p.r;
  s.opacity = p.haveA ? opacityOf(p.a) : 255;
  s.visible = visible ? 1 : 0;
  if (visible) addEnhancedSpriteDirty(e, s);
}

void cmdLsp2(Engine& e, std::string_view, bool) { loadEnhanced(e, true); }
void cmdLsph2(Engine& e, std::string_view, bool) { loadEnhanced(e, false); }

void clearEnhanced(Engine& e, EnhancedSprite& s) {
  if (s.name.empty()) return;
  if (s.visible) addEnhancedSpriteDirty(e, s);
  s = EnhancedSprite{};
}

void cmdCsp2(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  hideTextWindow(e);
  if (n == -1) {
    for (EnhancedSprite& s : e.gfx.enhancedSprites) clearEnhanced(e, s);
    return;
  }
  clearEnhanced(e, enhancedAt(e, n));
}

void moveEnhanced(Engine& e, bool relative) {
  const int n = readNumber(e);
  expectComma(e);
  const Placement p = readPlacement(e);
  hideTextWindow(e);
  EnhancedSprite& s = definedEnhanced(e, n);
  if (s.visible) addEnhancedSpriteDirty(e, s);
  if (relative) {
    s.x = saturated(int64_t{s.x} + p.x);
    s.y = saturated(int64_t{s.y} + p.y);
    s.scaleX = saturated(int64_t{s.scaleX} + p.sx);
    s.scaleY = saturated(int64_t{s.scaleY} + p.sy);
    s.angle = saturated(int64_t{s.angle} + p.r);
    if (p.haveA) s.opacity = opacityOf(int64_t{s.opacity} + p.a);
  } else {
    s.x = p.x;
    s.y = p.y;
    s.scaleX = p.sx;
    s.scaleY = p.sy;
    s.angle = p.r;
    if (p.haveA) s.opacity = opacityOf(p.a);
  }
  if (s.visible) addEnhancedSpriteDirty(e, s);
}

void cmdAmsp2(Engine& e, std::string_view, bool) { moveEnhanced(e, false); }
void cmdMsp2(Engine& e, std::string_view, bool) { moveEnhanced(e, true); }

}  // namespace

void registerEnhancedSpriteCommands(CommandTable& t) {
  // The checker reads their arguments itself (graphics_checks.cpp): it refuses a literal
  // sprite number outside the table, then reads n,p,n,n,n,n,n[,n] (lsp2, lsph2), n (csp2)
  // and n,n,n,n,n,n[,n] (amsp2, msp2).
  t.add("lsp2", cmdLsp2, kOwnCheck);
  t.add("lsph2", cmdLsph2, kOwnCheck);
  t.add("csp2", cmdCsp2, kOwnCheck);
  t.add("amsp2", cmdAmsp2, kOwnCheck);
  t.add("msp2", cmdMsp2, kOwnCheck);
}

}  // namespace veloria
