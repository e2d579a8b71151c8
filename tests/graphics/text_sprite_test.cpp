// Text sprites of the later dialect (":s" picture names): the name's grammar, the cells'
// sizes, the pixels against the glyph blend worked out here from the glyph coverage, the
// caption's variables, the hover look of a button, and the base language's reading.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "graphics/decoders.h"
#include "graphics/picture_helpers.h"
#include "graphics/tag.h"
#include "support/gfx_engine.h"
#include "text/glyph_font.h"

namespace veloria {
namespace {

using test::px;

TEST(TextSpriteTag, SizePartColoursAndText) {
  TextSpriteTag t;
  ASSERT_EQ(parseTextSpriteTag(":s#ffffff#FF0000Start", t), TagStatus::Ok);
  EXPECT_FALSE(t.sizeGiven);
  EXPECT_EQ(t.colors, (std::vector<uint32_t>{0xFFFFFF, 0xFF0000}));
  EXPECT_EQ(t.text, "Start");

  ASSERT_EQ(parseTextSpriteTag(":s/20,24,-2;#102030Go", t), TagStatus::Ok);
  EXPECT_TRUE(t.sizeGiven);
  EXPECT_EQ(t.glyphWidth, 20);
  EXPECT_EQ(t.glyphHeight, 24);
  EXPECT_EQ(t.gap, -2);
  EXPECT_EQ(t.colors, (std::vector<uint32_t>{0x102030}));
  EXPECT_EQ(t.text, "Go");

  // A '#' that starts no whole colour begins the text; an empty text is allowed.
  ASSERT_EQ(parseTextSpriteTag(":s#000000#12z", t), TagStatus::Ok);
  EXPECT_EQ(t.colors.size(), 1u);
  EXPECT_EQ(t.text, "#12z");
  ASSERT_EQ(parseTextSpriteTag(":s#000000", t), TagStatus::Ok);
  EXPECT_TRUE(t.text.empty());

  EXPECT_EQ(parseTextSpriteTag(":sStart", t), TagStatus::ColorError);
  EXPECT_EQ(parseTextSpriteTag(":s#fffffgA", t), TagStatus::ColorError);
  EXPECT_EQ(parseTextSpriteTag(":s#fff", t), TagStatus::ColorError);
  EXPECT_EQ(parseTextSpriteTag(":s/20,24;#ffffffA", t), TagStatus::TagError);
  EXPECT_EQ(parseTextSpriteTag(":s/20,24,0#ffffffA", t), TagStatus::TagError);
  EXPECT_EQ(parseTextSpriteTag(":s/0,24,0;#ffffffA", t), TagStatus::TagError);
  EXPECT_EQ(parseTextSpriteTag(":s/20,1001,0;#ffffffA", t), TagStatus::TagError);
  EXPECT_EQ(parseTextSpriteTag(":s/20,24,-21;#ffffffA", t), TagStatus::TagError);
  EXPECT_EQ(parseTextSpriteTag(":s/20,24,x;#ffffffA", t), TagStatus::TagError);
}

constexpr uint32_t kBack = 0x306090;

struct TextSprites : test::GfxEngine {
  explicit TextSprites(const std::string& input = std::string()) : GfxEngine(640, 480, input) {
    e().script.dialect = Dialect::Extended;
    run("bg", "#306090,1");
  }
  const ImageObject& sprite(int n) { return e().gfx.sprites[static_cast<size_t>(n)].image; }
  // The coverage of one cell as the text window's renderer gives it.
  std::vector<uint8_t> coverage(uint8_t first, uint8_t second, int w, int h) {
    GlyphRequest r;
    r.faceName = e().text.faceName;
    r.cellWidth = w;
    r.cellHeight = h;
    r.bold = e().text.boldText != 0;
    r.first = first;
    r.second = second;
    return cellCoverage(r);
  }
  ImageObject shot(const std::string& name) {
    ImageObject o;
    auto bytes = fs::readHostFile(fs::joinHost(dir.path(), name));
    if (bytes) decodePng(bytes->data(), bytes->size(), false, 1, o.dib);
    return o;
  }
};

// The glyph blend of the text window: colour weighted by the coverage over what lies behind.
uint32_t blendOver(uint32_t colour, uint32_t under, unsigned a) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned c = (colour >> shift) & 0xFF, u = (under >> shift) & 0xFF;
    out |= (c * a / 255 + u * (255 - a) / 255) << shift;
  }
  return out;
}

// The pixels that differ from glyph cells w x h laid `pitch` apart from (x, y) over the
// background, as `read` shows them; only the first `shown` columns of each cell are looked at.
template <typename Read>
int mismatches(TextSprites& g, Read read, const std::vector<std::pair<uint8_t, uint8_t>>& chars, int x, int y, int w,
               int h, int pitch, uint32_t colour, int shown = -1) {
  int bad = 0;
  for (size_t k = 0; k < chars.size(); ++k) {
    const std::vector<uint8_t> cov = g.coverage(chars[k].first, chars[k].second, w, h);
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < (shown < 0 ? w : shown); ++i) {
        const unsigned a = cov.empty() ? 0 : cov[static_cast<size_t>(j) * w + i];
        const int sx = x + static_cast<int>(k) * pitch + i, sy = y + j;
        if (read(sx, sy) != blendOver(colour, kBack, a)) ++bad;
      }
  }
  return bad;
}

TEST(TextSprite, CellsAreAsWideAsTheTextAndDrawItsGlyphsOverTheScreen) {
  TextSprites g;
  g.e().text.shadowText = 0;
  const std::string zen = utf8ToSjis("ＡＢ");
  g.run("lsp", "10,\":s/20,24,4;#ffffff#00ff00" + zen + "\",100,50");
  const ImageObject& s = g.sprite(10);
  EXPECT_EQ(s.cellCount, 2);
  EXPECT_EQ(s.visibleWidth(), 48);  // two full-width characters, 24 apart
  EXPECT_EQ(s.visibleHeight(), 24);
  g.run("print", "1");
  auto window = [&](int x, int y) { return g.window(x, y); };
  const std::vector<std::pair<uint8_t, uint8_t>> chars = {{static_cast<uint8_t>(zen[0]), static_cast<uint8_t>(zen[1])},
                                                          {static_cast<uint8_t>(zen[2]), static_cast<uint8_t>(zen[3])}};
  EXPECT_EQ(mismatches(g, window, chars, 100, 50, 20, 24, 24, 0xFFFFFF), 0);
  int inked = 0;
  for (int y = 50; y < 74; ++y)
    for (int x = 100; x < 148; ++x) inked += g.window(x, y) != kBack;
  EXPECT_GT(inked, 40);
  // The gap between the glyphs and everything around the sprite stay as they were.
  EXPECT_EQ(g.window(120, 60), kBack);
  EXPECT_EQ(g.window(99, 60), kBack);
  EXPECT_EQ(g.window(148, 60), kBack);

  // The second cell is the same text in the second colour.
  g.run("cell", "10,1");
  g.run("print", "1");
  EXPECT_EQ(mismatches(g, window, chars, 100, 50, 20, 24, 24, 0x00FF00), 0);

  // Half-width characters take half a cell (of the pitch); a blank takes its room.
  g.run("lsp", "11,\":s/20,24,4;#ffffffA B\",0,0");
  EXPECT_EQ(g.sprite(11).visibleWidth(), 36);
  EXPECT_EQ(g.sprite(11).cellCount, 1);
  // Without a size part the text window's glyph size and pitch apply.
  g.e().text.glyphWidth = 18;
  g.e().text.glyphHeight = 22;
  g.e().text.pitchX = 21;
  g.run("lsp", "12,\":s#ffffff" + zen + "A\",0,0");
  EXPECT_EQ(g.sprite(12).visibleWidth(), 21 + 21 + 10);
  EXPECT_EQ(g.sprite(12).visibleHeight(), 22);
}

TEST(TextSprite, ShadowAndBoldFollowTheTextWindow) {
  TextSprites g;
  g.e().text.shadowText = 1;
  g.e().text.boldText = 1;
  const std::string zen = utf8ToSjis("Ｗ");
  g.run("lsp", "10,\":s/24,24,0;#ffff00" + zen + "\",200,100");
  g.run("print", "1");
  const std::vector<uint8_t> cov =
      g.coverage(static_cast<uint8_t>(zen[0]), static_cast<uint8_t>(zen[1]), 24, 24);
  if (cov.empty()) GTEST_SKIP() << "no glyph renderer";
  // The text window darkens the pixel right of each glyph pixel first, then lays the next.
  int far = 0, inked = 0;
  for (int j = 0; j < 24; ++j)
    for (int i = 0; i < 24; ++i) {
      const unsigned a = cov[static_cast<size_t>(j) * 24 + i];
      const unsigned left = i > 0 ? cov[static_cast<size_t>(j) * 24 + i - 1] : 0;
      const uint32_t shaded = left ? blendOver(0, kBack, left) : kBack;
      const uint32_t want = blendOver(0xFFFF00, shaded, a);
      const uint32_t got = g.window(200 + i, 100 + j);
      inked += a > 0;
      // Where a shadow and a glyph meet, the sprite's colour is rounded once.
      for (int shift = 0; shift <= 16; shift += 8)
        far += std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) >
               (left && a ? 2 : 0);
    }
  EXPECT_GT(inked, 0);
  EXPECT_EQ(far, 0);
}

TEST(TextSprite, CaptionVariablesAreWrittenAsInStoryText) {
  TextSprites g;
  g.e().text.glyphWidth = g.e().text.pitchX = 20;
  g.e().text.glyphHeight = 20;
  g.e().script.strVars[5] = utf8ToSjis("ＡＢＣ");
  g.e().script.numVars[7] = -12;
  g.e().script.numVars[8] = 5;
  g.run("lsp", "1,\":s#ffffff$5\",0,0");
  EXPECT_EQ(g.sprite(1).visibleWidth(), 60);
  // A number comes out in full-width digits, with its sign.
  g.run("lsp", "2,\":s#ffffff[%7]\",0,0");
  EXPECT_EQ(g.sprite(2).visibleWidth(), 10 + 3 * 20 + 10);
  // '%' of a further variable names the index; a '$' before no index is a character.
  g.run("lsp", "3,\":s#ffffff$%8$\",0,0");
  EXPECT_EQ(g.sprite(3).visibleWidth(), 60 + 10);
  // The name is kept as given, so a reload draws the caption from the variables again.
  EXPECT_EQ(g.e().gfx.sprites[1].name, ":s#ffffff$5");
  g.e().script.strVars[5] = "ab";
  g.run("lsp", "1,\":s#ffffff$5\",0,0");
  EXPECT_EQ(g.sprite(1).visibleWidth(), 20);
  // A variable out of range stops as it does in story text.
  EXPECT_NE(g.runError("lsp", "4,\":s#ffffff$99999\",0,0"), "no error");
}

TEST(TextSprite, ButtonShowsTheSecondColourUnderThePointer) {
  TextSprites g("wait 10\nmove 5 5\nwait 10\nscreenshot off.png\nwait 10\nmove 25 25\nwait 10\n"
                "screenshot over.png\nwait 10\nclick 25 25\n");
  g.e().text.shadowText = 0;
  g.run("lsp", "10,\":s#ffffff#ff0000Start\",20,20");
  g.run("spbtn", "10,1");
  g.run("btnwait", "%1");
  EXPECT_EQ(g.e().script.numVars[1], 1);
  ImageObject off = g.shot("off.png"), over = g.shot("over.png");
  ASSERT_TRUE(off.hasPicture() && over.hasPicture());
  const int w = g.e().text.glyphWidth, h = g.e().text.glyphHeight;
  std::vector<std::pair<uint8_t, uint8_t>> chars;
  for (char c : std::string("Start")) chars.push_back({static_cast<uint8_t>(c), ' '});
  const int half = g.e().text.pitchX / 2;
  // Each half-width character is the left half of a cell; the next one starts half a pitch on.
  auto check = [&](const ImageObject& shot, uint32_t colour) {
    return mismatches(g, [&](int x, int y) { return px(shot, x, y); }, chars, 20, 20, w, h, half, colour, half);
  };
  EXPECT_EQ(check(off, 0xFFFFFF), 0);
  int changed = 0;
  for (int y = 20; y < 20 + h; ++y)
    for (int x = 20; x < 20 + 5 * half; ++x) changed += px(over, x, y) != px(off, x, y);
  EXPECT_GT(changed, 20);
  EXPECT_EQ(check(over, 0xFF0000), 0);
}

TEST(TextSprite, OnlyTheLaterDialectReadsTheTag) {
  TextSprites g;
  g.e().script.dialect = Dialect::Base;
  EXPECT_EQ(g.runError("lsp", "1,\":s#ffffffStart\",0,0"), "タグエラー|タグの指定がおかしいです。");
  g.e().script.dialect = Dialect::Extended;
  EXPECT_EQ(g.runError("lsp", "1,\":sStart\",0,0").substr(0, 15), "構文エラー");
  EXPECT_EQ(g.runError("lsp", "1,\":s/1,2;#ffffffA\",0,0"), "タグエラー|タグの指定がおかしいです。");
  // Far more colours than any picture may be wide.
  std::string many = ":s/1000,1000,0;";
  for (int i = 0; i < 40; ++i) many += "#ffffff";
  EXPECT_EQ(g.runError("lsp", "1,\"" + many + "WWWWW\",0,0"), "エラー|ロード失敗!");
}

TEST(LogSprite, LaysTheTextOutAsTheLogViewerDoes) {
  TextSprites g;
  TextState& t = g.e().text;
  t.shadowText = 0;
  t.glyphWidth = t.pitchX = 20;
  t.glyphHeight = 22;
  t.pitchY = 30;
  t.columnsPerLine = 3;
  const std::string zen = utf8ToSjis("ＡＢＣＤ");
  // A line break at byte 10 and at the window's column count; half-width characters count
  // half a column.
  g.e().script.strVars[1] = "ab\n" + zen + "xy" + zen.substr(0, 2) + "z";
  g.run("logsp", "20,$1,30,40,#ff0000, #00ff00");
  const Sprite& s = g.e().gfx.sprites[20];
  EXPECT_EQ(s.visible, 1);
  EXPECT_EQ(s.image.cellCount, 2);
  EXPECT_EQ(s.image.visibleWidth(), 60);
  // Lines: "ab", "ＡＢＣ", "ＤxyＡ" (six half columns), "z".
  EXPECT_EQ(s.image.visibleHeight(), 3 * 30 + 22);
  g.run("print", "1");
  auto window = [&](int x, int y) { return g.window(x, y); };
  const std::vector<std::pair<uint8_t, uint8_t>> line2 = {
      {static_cast<uint8_t>(zen[0]), static_cast<uint8_t>(zen[1])},
      {static_cast<uint8_t>(zen[2]), static_cast<uint8_t>(zen[3])},
      {static_cast<uint8_t>(zen[4]), static_cast<uint8_t>(zen[5])}};
  EXPECT_EQ(mismatches(g, window, line2, 30, 70, 20, 22, 20, 0xFF0000), 0);
  EXPECT_EQ(g.window(30 + 59, 40 + 3 * 30 + 21), kBack);

  // White when no colour is given; kept for saving as the text sprite of the same text.
  g.run("logsp", "21,\"Go\",0,0");
  EXPECT_EQ(g.e().gfx.sprites[21].image.cellCount, 1);
  EXPECT_EQ(g.e().gfx.sprites[21].name, ":s#ffffffGo");
  EXPECT_EQ(g.runError("logsp", "1000,\"a\",0,0"), "パラメータエラー|スプライト番号1000は範囲外です。");
  EXPECT_EQ(g.runError("logsp", "-1,\"a\",0,0"), "パラメータエラー|スプライト番号-1は範囲外です。");
}

}  // namespace
}  // namespace veloria
