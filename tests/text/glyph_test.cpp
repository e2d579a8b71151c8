// The glyph pipeline: the 1-2-1 coverage filter, blending into the surfaces, and real fonts.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/text_codec.h"
#include "text/glyph_blend.h"
#include "text/glyph_font.h"

namespace veloria {
namespace {

// A picture three times a cell size, one byte a pixel, top row first.
struct Picture {
  int cw, ch;
  std::vector<uint8_t> px;
  Picture(int cellW, int cellH) : cw(cellW), ch(cellH), px(static_cast<size_t>(cellW * 3 * cellH * 3), 0) {}
  void set(int x, int y, uint8_t v = 255) { px[static_cast<size_t>(y * cw * 3 + x)] = v; }
  std::vector<uint8_t> filter() const {
    std::vector<uint8_t> cov(static_cast<size_t>(cw * ch));
    coverageFilter(px.data(), cw * 3, cw, ch, cov.data());
    return cov;
  }
};

TEST(TextCoverageFilter, WeightsOneTwoOneOverEachBlock) {
  Picture p(4, 2);
  // Cell (0,0): the whole 3x3 block set: 16 * 255 / 16.
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) p.set(x, y);
  // Cell (1,0): only the centre: 4 * 255 / 16 = 63.75.
  p.set(4, 1);
  // Cell (2,0): only a corner: 255 / 16 = 15.9.
  p.set(6, 0);
  // Cell (3,0): an edge pixel: 2 * 255 / 16 = 31.9.
  p.set(10, 0);
  // Cell (0,1): the top two rows: (1+2+1 + 2+4+2) * 255 / 16 = 191.25.
  for (int x = 0; x < 3; ++x) {
    p.set(x, 3);
    p.set(x, 4);
  }
  // Cell (1,1): the left column: (1+2+1) * 255 / 16 = 63.75.
  for (int y = 3; y < 6; ++y) p.set(3, y);
  // Cell (2,1): a grey centre 128: 4 * 128 / 16 = 32. Cell (3,1) stays empty.
  p.set(7, 4, 128);
  std::vector<uint8_t> cov = p.filter();
  EXPECT_EQ(cov, (std::vector<uint8_t>{255, 63, 15, 31, 191, 63, 32, 0}));
}

struct Screen {
  int w, h;
  std::vector<uint8_t> bits, layer, coverage;
  Screen(int width, int height)
      : w(width), h(height), bits(static_cast<size_t>(w * h * 3)), layer(bits.size()), coverage(static_cast<size_t>(w * h)) {}
  PixelTarget target() { return PixelTarget{bits.data(), w, h, w * 3}; }
  PixelTarget layerTarget() { return PixelTarget{layer.data(), w, h, w * 3}; }
  // Blue, green, red of a pixel (x, y from the top).
  std::vector<int> at(int x, int y) {
    uint8_t* p = target().at(x, y);
    return {p[0], p[1], p[2]};
  }
  void fill(int b, int g, int r) {
    for (size_t i = 0; i < bits.size(); i += 3) {
      bits[i] = static_cast<uint8_t>(b);
      bits[i + 1] = static_cast<uint8_t>(g);
      bits[i + 2] = static_cast<uint8_t>(r);
    }
  }
  int cov(int x, int y) { return coverage[static_cast<size_t>((h - 1 - y) * w + x)]; }
};

TEST(TextGlyphBlend, ColourTimesCoverageOverTheOldPixel) {
  Screen s(8, 4);
  s.fill(100, 200, 50);
  const uint8_t cov[3] = {255, 128, 0};
  GlyphInk ink{cov, 3, 1, 2, 1, 255, 255, 255, false};
  PixelTarget layer = s.layerTarget();
  blendGlyph(ink, s.target(), &layer, s.coverage.data());
  EXPECT_EQ(s.at(2, 1), (std::vector<int>{255, 255, 255}));
  // 255*128/255 = 128 plus old*(127)/255: 100 -> 49, 200 -> 99, 50 -> 24.
  EXPECT_EQ(s.at(3, 1), (std::vector<int>{177, 227, 152}));
  EXPECT_EQ(s.at(4, 1), (std::vector<int>{100, 200, 50}));
  EXPECT_EQ(s.at(5, 1), (std::vector<int>{100, 200, 50}));
  EXPECT_EQ(s.cov(2, 1), 255);
  EXPECT_EQ(s.cov(3, 1), 128);
  EXPECT_EQ(s.cov(4, 1), 0);
  // The layer keeps colour times coverage only.
  uint8_t* l = layer.at(3, 1);
  EXPECT_EQ(l[0], 128);
  EXPECT_EQ(s.at(2, 0), (std::vector<int>{100, 200, 50}));
}

TEST(TextGlyphBlend, ShadowDarkensThePixelRightOfEachStroke) {
  Screen s(8, 2);
  s.fill(200, 200, 200);
  const uint8_t cov[4] = {255, 0, 128, 0};
  GlyphInk ink{cov, 4, 1, 1, 0, 255, 0, 0, true};
  blendGlyph(ink, s.target(), nullptr, nullptr);
  // Red ink: blue 0, green 0, red 255 at full coverage.
  EXPECT_EQ(s.at(1, 0), (std::vector<int>{0, 0, 255}));
  // Right of a full stroke the pixel goes black, and its own coverage 0 keeps that.
  EXPECT_EQ(s.at(2, 0), (std::vector<int>{0, 0, 0}));
  // Half coverage: 200*127/255 = 99 kept, red 128 added.
  EXPECT_EQ(s.at(3, 0), (std::vector<int>{99, 99, 227}));
  // Right of it, darkened in proportion: 200*127/255 = 99.
  EXPECT_EQ(s.at(4, 0), (std::vector<int>{99, 99, 99}));
  EXPECT_EQ(s.at(5, 0), (std::vector<int>{200, 200, 200}));
  EXPECT_EQ(s.at(0, 0), (std::vector<int>{200, 200, 200}));
}

TEST(TextGlyphBlend, CellsPartlyOffTheSurfaceAreClipped) {
  Screen s(4, 4);
  std::vector<uint8_t> cov(36, 255);
  for (auto [x, y] : {std::pair{-3, -3}, {2, 2}, {-10, 1}, {100, 100}}) {
    GlyphInk ink{cov.data(), 6, 6, x, y, 255, 255, 255, true};
    PixelTarget layer = s.layerTarget();
    blendGlyph(ink, s.target(), &layer, s.coverage.data());
  }
  EXPECT_EQ(s.at(0, 0), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(s.at(3, 3), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(s.at(2, 1), (std::vector<int>{255, 255, 255}));
}

TEST(TextOverlay, RecomposesLikeTheDirectDraw) {
  // Drawing straight into the display must equal laying the kept layer over the same picture.
  Screen direct(10, 3), composed(10, 3);
  direct.fill(30, 60, 90);
  const uint8_t cov[6] = {0, 255, 100, 40, 0, 0};
  GlyphInk ink{cov, 6, 1, 2, 1, 250, 120, 10, true};
  PixelTarget layer = direct.layerTarget();
  blendGlyph(ink, direct.target(), &layer, direct.coverage.data());
  composed.fill(30, 60, 90);
  overlayText(composed.target(), layer, direct.coverage.data(), 0, 0, 10, 3, true);
  EXPECT_EQ(composed.bits, direct.bits);
  // A sub-area starting inside the text gets the shadow of the column left of it.
  Screen part(10, 3);
  part.fill(30, 60, 90);
  overlayText(part.target(), layer, direct.coverage.data(), 4, 0, 10, 3, true);
  EXPECT_EQ(part.at(4, 1), direct.at(4, 1));
  EXPECT_EQ(part.at(5, 1), direct.at(5, 1));
  EXPECT_EQ(part.at(3, 1), (std::vector<int>{30, 60, 90}));
}

TEST(TextTint, MultipliesEachChannel) {
  Screen s(3, 2);
  s.fill(255, 100, 0);
  tintPixels(s.target(), 0, 0, 2, 1, 0x999999);
  // 0x99 = 153: 255 -> 153, 100 -> 60.
  EXPECT_EQ(s.at(0, 0), (std::vector<int>{153, 60, 0}));
  EXPECT_EQ(s.at(1, 0), (std::vector<int>{153, 60, 0}));
  EXPECT_EQ(s.at(2, 0), (std::vector<int>{255, 100, 0}));
  EXPECT_EQ(s.at(0, 1), (std::vector<int>{255, 100, 0}));
}

GlyphRequest request(const std::string& sjisFace, const std::string& sjisChar, int w, int h, bool bold) {
  GlyphRequest r;
  r.faceName = sjisFace;
  r.cellWidth = w;
  r.cellHeight = h;
  r.bold = bold;
  r.first = static_cast<uint8_t>(sjisChar[0]);
  r.second = sjisChar.size() > 1 ? static_cast<uint8_t>(sjisChar[1]) : 0;
  return r;
}

class TextFont : public ::testing::Test {
 protected:
  void SetUp() override {
    if (resolvedFontFile(sj("ＭＳ ゴシック")).empty()) GTEST_SKIP() << "no Japanese font installed";
  }
  const std::string& face = sj("ＭＳ ゴシック");
};

TEST_F(TextFont, ThickStrokesCoverFullyAndNothingSpillsRight) {
  // A filled square: full coverage inside, none at the cell's right edge.
  std::vector<uint8_t> pic;
  GlyphRequest r = request(face, sj("■"), 26, 26, false);
  rasteriseCell(r, pic);
  ASSERT_EQ(pic.size(), 78u * 78u);
  for (uint8_t v : pic) ASSERT_TRUE(v == 0 || v == 255) << "the rendering must be monochrome";
  const std::vector<uint8_t>& cov = cellCoverage(r);
  EXPECT_EQ(cov[13 * 26 + 13], 255);
  EXPECT_EQ(cov[13 * 26 + 25], 0);

  Screen s(40, 30);
  GlyphInk ink{cov.data(), 26, 26, 4, 2, 255, 255, 255, false};
  blendGlyph(ink, s.target(), nullptr, nullptr);
  for (int y = 0; y < 30; ++y) EXPECT_EQ(s.at(30, y), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(s.at(4 + 13, 2 + 13), (std::vector<int>{255, 255, 255}));
}

TEST_F(TextFont, CacheGivesTheSameCoverageAsRendering) {
  for (const char* ch : {"あ", "「", "漢", "Ab", "ｱｲ"}) {
    for (bool bold : {false, true}) {
      GlyphRequest r = request(face, sj(ch), 26, 26, bold);
      std::vector<uint8_t> pic;
      rasteriseCell(r, pic);
      std::vector<uint8_t> fresh(26 * 26);
      coverageFilter(pic.data(), 78, 26, 26, fresh.data());
      EXPECT_EQ(cellCoverage(r), fresh) << ch;
      EXPECT_EQ(cellCoverage(r), fresh) << ch << " (cached)";
    }
  }
}

TEST_F(TextFont, BoldAddsInkOnePixelToTheRight) {
  std::vector<uint8_t> plain, bold;
  rasteriseCell(request(face, sj("一"), 26, 26, false), plain);
  rasteriseCell(request(face, sj("一"), 26, 26, true), bold);
  int plainInk = 0, boldInk = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    plainInk += plain[i] != 0;
    boldInk += bold[i] != 0;
  }
  EXPECT_GT(boldInk, plainInk);
  // The second drawing lies one pixel right of the first: the bold ink reaches further right.
  auto rightmost = [](const std::vector<uint8_t>& pic) {
    int best = -1;
    for (size_t i = 0; i < pic.size(); ++i)
      if (pic[i]) best = std::max(best, static_cast<int>(i % 78));
    return best;
  };
  EXPECT_GE(rightmost(bold), rightmost(plain) + 1);
}

TEST_F(TextFont, HalfWidthPairsShareOneCellAndOddSizesAreSafe) {
  std::vector<uint8_t> pic;
  rasteriseCell(request(face, "AB", 26, 26, false), pic);
  int leftInk = 0, rightInk = 0;
  for (int y = 0; y < 78; ++y)
    for (int x = 0; x < 78; ++x) (x < 39 ? leftInk : rightInk) += pic[static_cast<size_t>(y * 78 + x)] != 0;
  EXPECT_GT(leftInk, 0);
  EXPECT_GT(rightInk, 0);
  // A lone lead byte after a letter, control bytes, sizes 0 and huge: no crash, sane output.
  rasteriseCell(request(face, std::string("A\x82", 2), 26, 26, false), pic);
  EXPECT_EQ(pic.size(), 78u * 78u);
  rasteriseCell(request(face, std::string("\x01\x02", 2), 26, 26, false), pic);
  EXPECT_EQ(pic, std::vector<uint8_t>(78 * 78, 0));
  EXPECT_TRUE(cellCoverage(request(face, sj("あ"), 0, 26, false)).empty());
  EXPECT_TRUE(cellCoverage(request(face, sj("あ"), -4, 26, false)).empty());
  EXPECT_TRUE(cellCoverage(request(face, sj("あ"), 26, kMaxGlyphCell + 1, false)).empty());
  EXPECT_EQ(cellCoverage(request(face, sj("あ"), 500, 500, false)).size(), 500u * 500u);
}

TEST_F(TextFont, UnknownFacesFallBackToAnInstalledFont) {
  EXPECT_FALSE(resolvedFontFile(sj("存在しないフォント")).empty());
  EXPECT_FALSE(resolvedFontFile("").empty());
  const std::vector<uint8_t>& cov = cellCoverage(request(sj("存在しないフォント"), sj("あ"), 20, 20, false));
  int ink = 0;
  for (uint8_t v : cov) ink += v != 0;
  EXPECT_GT(ink, 0);
}

}  // namespace
}  // namespace veloria
