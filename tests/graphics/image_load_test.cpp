// Reading pictures: BMP layouts and hostile headers, PNG and JPEG, the tag grammar, and the
// order of loadImage (reuse, loose files, tolerated failures and the error messages).
#include <gtest/gtest.h>
#include <png.h>
#include <stdio.h>
#include <jpeglib.h>

#include <cstring>
#include <tuple>

#include "graphics/decoders.h"
#include "graphics/picture_cache.h"
#include "resource/delta_image.h"
#include "resource/lzss.h"
#include "support/gfx_engine.h"
#include "graphics/picture_helpers.h"
#include "graphics/tag.h"

namespace veloria {
namespace {

using test::GfxEngine;
using test::px;

// A BMP image of any depth: header fields, a palette and raw pixel bytes as given.
std::string bmpRaw(int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t clrUsed,
                   const std::vector<uint32_t>& palette, const std::vector<uint8_t>& pixels) {
  std::string f(54, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<char>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  f[26] = 1;
  f[28] = static_cast<char>(bits);
  put32(30, compression);
  put32(46, clrUsed);
  for (uint32_t c : palette) {
    f.push_back(static_cast<char>(c));
    f.push_back(static_cast<char>(c >> 8));
    f.push_back(static_cast<char>(c >> 16));
    f.push_back(0);
  }
  f.append(pixels.begin(), pixels.end());
  return f;
}

ImageObject decoded(const std::string& file) {
  ImageObject o;
  decodeBmp(reinterpret_cast<const uint8_t*>(file.data()), file.size(), o.dib);
  o.transMode = TRANS_COPY;
  return o;
}

// Shows any picture as 24 bits through the block copy.
uint32_t shown(const ImageObject& o, int x, int y) {
  ImageObject t;
  createSurface(t, o.width(), o.height());
  copyRect(o, 0, 0, t, 0, 0, o.width(), o.height());
  return px(t, x, y);
}

TEST(GraphicsBmp, Depths) {
  // 24-bit, 2x2, bottom-up, rows padded to 8 bytes.
  ImageObject a = decoded(bmpRaw(2, 2, 24, 0, 0, {},
                                 {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0,  // bottom row
                                  0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0, 0}));
  ASSERT_TRUE(a.hasPicture());
  EXPECT_EQ(px(a, 0, 0), 0x131211u);
  EXPECT_EQ(px(a, 1, 1), 0x060504u);
  EXPECT_EQ(a.dib.paletteCount, 0);

  // 8-bit with two palette entries stated by colours-used; the pixels follow the 2 entries.
  ImageObject b = decoded(bmpRaw(3, 1, 8, 0, 2, {0x112233, 0x445566}, {1, 0, 1, 0}));
  EXPECT_EQ(b.dib.paletteCount, 256);
  EXPECT_EQ(shown(b, 0, 0), 0x445566u);
  EXPECT_EQ(shown(b, 1, 0), 0x112233u);

  // 4-bit (default 16 entries) and 1-bit (default 2).
  std::vector<uint32_t> pal16(16, 0);
  pal16[3] = 0xFF0000;
  pal16[10] = 0x00FF00;
  ImageObject c = decoded(bmpRaw(3, 1, 4, 0, 0, pal16, {0x3A, 0x30, 0, 0}));
  EXPECT_EQ(c.dib.paletteCount, 16);
  EXPECT_EQ(shown(c, 0, 0), 0xFF0000u);
  EXPECT_EQ(shown(c, 1, 0), 0x00FF00u);
  EXPECT_EQ(shown(c, 2, 0), 0xFF0000u);
  ImageObject d = decoded(bmpRaw(9, 1, 1, 0, 0, {0x000000, 0xFFFFFF}, {0xA0, 0x80, 0, 0}));
  EXPECT_EQ(shown(d, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(shown(d, 1, 0), 0u);
  EXPECT_EQ(shown(d, 2, 0), 0xFFFFFFu);
  EXPECT_EQ(shown(d, 8, 0), 0xFFFFFFu);

  // 16-bit 5-5-5 and 32-bit are widened to 24 bits.
  ImageObject e16 = decoded(bmpRaw(2, 1, 16, 0, 0, {}, {0x00, 0x7C, 0x1F, 0x00}));
  EXPECT_EQ(e16.dib.bitCount, 24);
  EXPECT_EQ(px(e16, 0, 0), 0xFF0000u);
  EXPECT_EQ(px(e16, 1, 0), 0x0000FFu);
  ImageObject e32 = decoded(bmpRaw(1, 1, 32, 0, 0, {}, {0x10, 0x20, 0x30, 0x99}));
  EXPECT_EQ(px(e32, 0, 0), 0x302010u);

  // Top-down rows (negative height) are turned bottom-up.
  ImageObject td = decoded(bmpRaw(1, -2, 24, 0, 0, {}, {1, 1, 1, 0, 2, 2, 2, 0}));
  EXPECT_EQ(td.height(), 2);
  EXPECT_EQ(px(td, 0, 0), 0x010101u);
  EXPECT_EQ(px(td, 0, 1), 0x020202u);

  // Run-length encoded data is not decoded: a black picture of the stated size.
  ImageObject rle = decoded(bmpRaw(4, 3, 8, 1, 2, {0xFFFFFF, 0xFFFFFF}, {0x04, 0x01, 0, 1}));
  ASSERT_TRUE(rle.hasPicture());
  EXPECT_EQ(rle.width(), 4);
  EXPECT_EQ(rle.height(), 3);
  EXPECT_EQ(shown(rle, 0, 2), 0xFFFFFFu);  // index 0 is the (white) palette entry 0...
  for (uint8_t v : rle.dib.pixels) EXPECT_EQ(v, 0);  // ...but every pixel byte is 0
}

TEST(GraphicsBmp, HostileHeaders) {
  auto rejects = [](const std::string& f) {
    Dib d;
    bool ok = decodeBmp(reinterpret_cast<const uint8_t*>(f.data()), f.size(), d);
    return !ok && !d.hasInfo;
  };
  EXPECT_TRUE(rejects(bmpRaw(0, 5, 24, 0, 0, {}, {})));
  EXPECT_TRUE(rejects(bmpRaw(-5, 5, 24, 0, 0, {}, {})));
  EXPECT_TRUE(rejects(bmpRaw(5, 0, 24, 0, 0, {}, {})));
  EXPECT_TRUE(rejects(bmpRaw(100000, 100000, 24, 0, 0, {}, {})));
  EXPECT_TRUE(rejects(bmpRaw(5, INT32_MIN, 24, 0, 0, {}, {})));
  EXPECT_TRUE(rejects(bmpRaw(5, 5, 7, 0, 0, {}, {})));
  EXPECT_TRUE(rejects(std::string("BM")));
  EXPECT_TRUE(rejects(std::string()));

  // Colours-used far past the depth: the palette is cut at 256 and no read leaves the file.
  ImageObject big = decoded(bmpRaw(2, 1, 8, 0, 0xFFFFFFFF, {0x123456}, {0, 0, 0, 0}));
  ASSERT_TRUE(big.hasPicture());
  EXPECT_EQ(big.dib.palette.size(), 1024u);
  EXPECT_EQ(shown(big, 0, 0), 0x123456u);
  // 300 entries on an 8-bit picture: 256 are kept and the pixels start after all 300.
  std::vector<uint32_t> pal300(300, 0);
  pal300[1] = 0xABCDEF;
  ImageObject p300 = decoded(bmpRaw(1, 1, 8, 0, 300, pal300, {1, 0, 0, 0}));
  EXPECT_EQ(shown(p300, 0, 0), 0xABCDEFu);

  // Short pixel data reads as zeros.
  ImageObject shortData = decoded(bmpRaw(2, 2, 24, 0, 0, {}, {0x10, 0x20, 0x30}));
  ASSERT_TRUE(shortData.hasPicture());
  EXPECT_EQ(px(shortData, 0, 1), 0x302010u);
  EXPECT_EQ(px(shortData, 1, 1), 0u);
  EXPECT_EQ(px(shortData, 0, 0), 0u);
}

TEST(GraphicsTag, Grammar) {
  ParsedTag t;
  ASSERT_EQ(parseTag(":l/3,160,2;cursor0.bmp", t), TagStatus::Ok);
  EXPECT_EQ(t.transMode, TRANS_LEFTUP);
  EXPECT_EQ(t.cellCount, 3);
  EXPECT_EQ(t.cellInterval, 160);
  EXPECT_EQ(t.animMode, 2);
  EXPECT_EQ(t.fileName, "cursor0.bmp");

  ASSERT_EQ(parseTag(": \t a;face.bmp", t), TagStatus::Ok);
  EXPECT_EQ(t.transMode, TRANS_ALPHA);
  EXPECT_EQ(t.cellCount, 1);

  ASSERT_EQ(parseTag(":#ff00FF;x.bmp", t), TagStatus::Ok);
  EXPECT_EQ(t.transMode, TRANS_COLORKEY);
  EXPECT_EQ(t.keyRed, 255);
  EXPECT_EQ(t.keyGreen, 0);
  EXPECT_EQ(t.keyBlue, 255);

  ASSERT_EQ(parseTag(":!12;x.bmp", t), TagStatus::Ok);
  EXPECT_EQ(t.transMode, TRANS_COLORKEY);
  EXPECT_EQ(t.keyIndex, 12);

  ASSERT_EQ(parseTag(":c/2,<500,100>,0;blink.bmp", t), TagStatus::Ok);
  EXPECT_EQ(t.transMode, TRANS_COPY);
  EXPECT_EQ(t.cellInterval, -1);
  EXPECT_EQ(t.cellIntervals, (std::vector<int32_t>{500, 100}));

  ASSERT_EQ(parseTag(":r/4,100,3;x.bmp", t), TagStatus::Ok);
  EXPECT_EQ(t.transMode, TRANS_RIGHTUP);
  EXPECT_EQ(t.cellInterval, 0xFFFFFF);  // mode 3 never animates

  // Upper case selects nothing; other characters before ';' are skipped.
  ASSERT_EQ(parseTag(":L xyz;a.bmp", t), TagStatus::Ok);
  EXPECT_EQ(t.transMode, -1);
  ASSERT_EQ(parseTag("plain.bmp", t), TagStatus::Ok);
  EXPECT_FALSE(t.hasTag);
  EXPECT_EQ(t.fileName, "plain.bmp");

  for (const char* bad : {":l/3,160;x.bmp", ":l/3;x.bmp", ":c/3,<500,100>,0;x.bmp", ":c/2,<500,100,0;x.bmp",
                          ":c/2,<500,100", ":a", ":l/0,100,0;x.bmp", ":l/2,<5", ":/"})
    EXPECT_EQ(parseTag(bad, t), TagStatus::TagError) << bad;
  EXPECT_EQ(parseTag(":#ff00f;x.bmp", t), TagStatus::ColorError);
  EXPECT_EQ(parseTag(":#ff00fg;x.bmp", t), TagStatus::ColorError);
}

std::string encodePng(int w, int h, const std::vector<uint8_t>& rgba) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = static_cast<png_uint_32>(w);
  img.height = static_cast<png_uint_32>(h);
  img.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&img, nullptr, &size, 0, rgba.data(), 0, nullptr);
  std::string out(size, '\0');
  EXPECT_TRUE(png_image_write_to_memory(&img, out.data(), &size, 0, rgba.data(), 0, nullptr));
  out.resize(size);
  return out;
}

// A JPEG of one colour: RGB (r, g, b), grey (r) or CMYK (r, g, b, 0), optionally progressive.
std::string encodeJpeg(int w, int h, uint8_t r, uint8_t g, uint8_t b, J_COLOR_SPACE space = JCS_RGB,
                       bool progressive = false) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  const int components = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  const uint8_t pixel[4] = {r, g, b, 0};
  std::vector<uint8_t> row(static_cast<size_t>(w) * components);
  for (size_t i = 0; i < row.size(); ++i) row[i] = pixel[i % components];
  while (c.next_scanline < c.image_height) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  std::string out(reinterpret_cast<char*>(mem), size);
  free(mem);
  jpeg_destroy_compress(&c);
  return out;
}

TEST(GraphicsLoad, PngAndJpeg) {
  GfxEngine g;
  Engine& e = g.e();
  // 2 cells of 1 pixel: red half-transparent, blue opaque.
  g.writeFile("two.png", encodePng(2, 1, {255, 0, 0, 128, 0, 0, 255, 255}));
  ImageObject a;
  loadImage(e, a, ":a/2,100,0;two.png");
  ASSERT_TRUE(a.hasPicture());
  EXPECT_EQ(a.width(), 4);  // each cell: colour, then mask
  EXPECT_EQ(a.cellWidth(), 2);
  EXPECT_EQ(a.visibleWidth(), 1);
  EXPECT_EQ(px(a, 0, 0), 0xFF0000u);
  EXPECT_EQ(px(a, 1, 0), test::grey(127));  // mask = 255 - alpha
  EXPECT_EQ(px(a, 2, 0), 0x0000FFu);
  EXPECT_EQ(px(a, 3, 0), 0u);

  // Without the alpha selector, transparency is composed over black: 255*128/255 = 128.
  ImageObject c;
  loadImage(e, c, ":c;two.png");
  EXPECT_EQ(c.width(), 2);
  EXPECT_EQ(px(c, 0, 0), 0x800000u);
  EXPECT_EQ(px(c, 1, 0), 0x0000FFu);

  g.writeFile("grey.JPG", encodeJpeg(8, 8, 100, 100, 100));
  ImageObject j;
  loadImage(e, j, "grey.jpg");
  ASSERT_TRUE(j.hasPicture());
  EXPECT_EQ(j.width(), 8);
  uint32_t v = px(j, 3, 3) & 0xFF;
  EXPECT_NEAR(static_cast<int>(v), 100, 1);

  // A damaged PNG or JPEG is a failed load, reported like a bad BMP.
  g.writeFile("bad.png", "\x89PNG\r\n\x1a\nxxxx");
  ImageObject b;
  EXPECT_THROW(loadImage(e, b, "bad.png"), ProcessExit);
  EXPECT_EQ(sjisToUtf8(e.app.error.message).find("ロード失敗!"), 0u);
}

bool decodesJpeg(const std::string& file, Dib& out) {
  return decodeJpeg(reinterpret_cast<const uint8_t*>(file.data()), file.size(), out);
}

// The offset of the first marker `code` (0xFF code) in a JPEG file.
size_t jpegMarker(const std::string& file, uint8_t code) {
  const std::string m{'\xFF', static_cast<char>(code)};
  return file.find(m);
}

TEST(GraphicsJpeg, GreyAndColourPicturesDecode) {
  Dib d;
  ASSERT_TRUE(decodesJpeg(encodeJpeg(9, 3, 200, 0, 0, JCS_GRAYSCALE), d));
  EXPECT_EQ(d.width, 9);
  EXPECT_EQ(d.height, 3);
  EXPECT_EQ(d.bitCount, 24);
  const uint8_t* p = d.row(1) + 4 * 3;
  EXPECT_EQ(p[0], 200);
  EXPECT_EQ(p[1], 200);
  EXPECT_EQ(p[2], 200);
  ASSERT_TRUE(decodesJpeg(encodeJpeg(16, 16, 0, 0, 255, JCS_RGB, true), d));  // progressive
  p = d.row(8) + 8 * 3;
  EXPECT_GE(p[0], 250);  // blue, after the lossy round trip
  EXPECT_LE(p[2], 5);
}

TEST(GraphicsJpeg, DamageAtEveryStageFailsWithoutAPicture) {
  const std::string good = encodeJpeg(16, 16, 10, 20, 30);
  Dib d;
  ASSERT_TRUE(decodesJpeg(good, d));
  // In the header.
  EXPECT_FALSE(decodesJpeg(good.substr(0, 20), d));
  EXPECT_FALSE(d.hasInfo);
  EXPECT_FALSE(decodesJpeg(std::string("\xFF\xD8\xFF\xFF\xFF", 5), d));
  // When decoding starts: four-colour pictures have no conversion to RGB.
  EXPECT_FALSE(decodesJpeg(encodeJpeg(8, 8, 1, 2, 3, JCS_CMYK), d));
  EXPECT_FALSE(d.hasInfo);
  // After the rows: a second frame header where the end should be.
  const size_t sof = jpegMarker(good, 0xC0), dht = jpegMarker(good, 0xC4);
  ASSERT_LT(sof, dht);
  std::string twoFrames = good.substr(0, good.size() - 2) + good.substr(sof, dht - sof) + "\xFF\xD9";
  EXPECT_FALSE(decodesJpeg(twoFrames, d));
  EXPECT_FALSE(d.hasInfo);
  // Sides past the limit are refused from the header.
  std::string huge = encodeJpeg(8, 8, 0, 0, 0, JCS_RGB, true);
  const size_t sof2 = jpegMarker(huge, 0xC2);
  ASSERT_NE(sof2, std::string::npos);
  for (uint32_t side : {uint32_t{kMaxPictureSide} + 1, 60000u}) {
    huge[sof2 + 5] = static_cast<char>(side >> 8);  // height, then width, big-endian
    huge[sof2 + 6] = static_cast<char>(side);
    huge[sof2 + 7] = static_cast<char>(side >> 8);
    huge[sof2 + 8] = static_cast<char>(side);
    EXPECT_FALSE(decodesJpeg(huge, d)) << side;
  }
  // Within the sides but past the pixel budget: a few hundred bytes must not make the
  // decoder hold gigabytes of coefficients and pixels.
  huge[sof2 + 5] = huge[sof2 + 7] = static_cast<char>(kMaxPictureSide >> 8);
  huge[sof2 + 6] = huge[sof2 + 8] = 0;
  EXPECT_FALSE(decodesJpeg(huge, d));
  EXPECT_FALSE(d.hasInfo);
}

// A PNG whose header claims w x h, with the chunk's check sum made right.
std::string pngClaiming(uint32_t w, uint32_t h) {
  std::string f = encodePng(1, 1, {1, 2, 3, 255});
  const size_t ihdr = f.find("IHDR");
  for (int i = 0; i < 4; ++i) {
    f[ihdr + 4 + i] = static_cast<char>(w >> (24 - 8 * i));
    f[ihdr + 8 + i] = static_cast<char>(h >> (24 - 8 * i));
  }
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = ihdr; i < ihdr + 4 + 13; ++i) {
    crc ^= static_cast<uint8_t>(f[i]);
    for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  crc ^= 0xFFFFFFFFu;
  for (int i = 0; i < 4; ++i) f[ihdr + 17 + i] = static_cast<char>(crc >> (24 - 8 * i));
  return f;
}

TEST(GraphicsPng, SizesPastTheLimitsAreRefusedFromTheHeader) {
  Dib d;
  auto decodes = [&](const std::string& f) {
    return decodePng(reinterpret_cast<const uint8_t*>(f.data()), f.size(), false, 1, d);
  };
  EXPECT_TRUE(decodes(pngClaiming(1, 1)));
  EXPECT_FALSE(decodes(pngClaiming(kMaxPictureSide + 1, 1)));
  EXPECT_FALSE(decodes(pngClaiming(kMaxPictureSide, kMaxPictureSide)));  // 1 GB of pixels
  EXPECT_FALSE(d.hasInfo);
}

TEST(GraphicsLoad, ReuseAndReload) {
  GfxEngine g;
  Engine& e = g.e();
  g.writeFile("p.bmp", test::solidBmp(6, 2, 0x102030));
  ImageObject o;
  loadImage(e, o, ":c/3,100,0;p.bmp");
  EXPECT_EQ(o.cellCount, 3);
  EXPECT_EQ(o.transMode, TRANS_COPY);
  o.currentCell = 2;
  o.alphaLevel = 40;
  // The same text only rewinds the cell, even when the file changed meanwhile.
  g.writeFile("p.bmp", test::solidBmp(6, 2, 0x405060));
  loadImage(e, o, ":c/3,100,0;p.bmp");
  EXPECT_EQ(o.currentCell, 0);
  EXPECT_EQ(o.alphaLevel, 40);
  EXPECT_EQ(px(o, 0, 0), 0x102030u);
  // Another animation mode reloads and resets the attributes.
  loadImage(e, o, ":c/3,100,1;p.bmp");
  EXPECT_EQ(px(o, 0, 0), 0x405060u);
  EXPECT_EQ(o.alphaLevel, -1);
  EXPECT_EQ(o.animMode, 1);
  // No tag: defaultTransMode, one cell, animation start 0.
  e.gfx.defaultTransMode = TRANS_ALPHA;
  loadImage(e, o, "P.BMP");
  EXPECT_EQ(o.transMode, TRANS_ALPHA);
  EXPECT_EQ(o.cellCount, 1);
  EXPECT_EQ(o.animStart, 0u);
  // The key colour survives a load whose tag does not set it.
  loadImage(e, o, ":#0a0b0c;p.bmp");
  loadImage(e, o, ":l;p.bmp");
  EXPECT_EQ(o.keyRed, 10);
  EXPECT_EQ(o.keyBlue, 12);
}

TEST(GraphicsLoad, FailuresAndTolerance) {
  {
    GfxEngine g;
    ImageObject o;
    EXPECT_THROW(loadImage(g.e(), o, "missing.png"), ProcessExit);
    EXPECT_EQ(sjisToUtf8(g.e().app.error.caption), "ロードエラー");
    EXPECT_EQ(sjisToUtf8(g.e().app.error.message).find("ファイルmissing.pngを開けません。"), 0u);
  }
  {
    GfxEngine g;
    ImageObject o;
    EXPECT_THROW(loadImage(g.e(), o, ":l/3,160;x.bmp"), ProcessExit);
    EXPECT_EQ(sjisToUtf8(g.e().app.error.caption), "タグエラー");
  }
  {
    GfxEngine g;
    g.writeFile("odd.bmp", bmpRaw(2, 2, 7, 0, 0, {}, {}));
    ImageObject o;
    EXPECT_THROW(loadImage(g.e(), o, "odd.bmp"), ProcessExit);
    EXPECT_EQ(sjisToUtf8(g.e().app.error.message).find("ロード失敗!"), 0u);
  }
  {
    GfxEngine g;
    g.writeFile("x.tga", "abc");
    ImageObject o;
    EXPECT_THROW(loadImage(g.e(), o, "x.tga"), ProcessExit);  // no decoder for the extension
    EXPECT_EQ(sjisToUtf8(g.e().app.error.caption), "ロードエラー");
  }
  {
    // Tolerated failures: no picture but the name stays; or the 2 x 2 black stand-in.
    GfxEngine g;
    g.e().res.noLoadError = 1;
    ImageObject o;
    loadImage(g.e(), o, ":a;gone.bmp");
    EXPECT_FALSE(o.hasPicture());
    EXPECT_EQ(o.name, ":a;gone.bmp");
    EXPECT_EQ(o.visibleWidth(), 0);
    g.e().res.noLoadError = 0;
    g.e().gfx.optionalImage = 1;
    ImageObject p;
    loadImage(g.e(), p, "gone.bmp");
    ASSERT_TRUE(p.hasPicture());
    EXPECT_EQ(p.width(), 2);
    EXPECT_EQ(p.height(), 2);
    EXPECT_EQ(p.name, "gone.bmp");
  }
  {
    // File logging records the file part, normalised.
    GfxEngine g;
    g.e().save.fileLogOn = 1;
    g.writeFile("a.bmp", test::solidBmp(1, 1, 0));
    ImageObject o;
    loadImage(g.e(), o, ":c;a.bmp");
    ASSERT_EQ(g.e().script.fileLog.size(), 1u);
    EXPECT_EQ(g.e().script.fileLog[0], "A.BMP");
  }
}

}  // namespace
}  // namespace veloria

namespace veloria {
namespace {

using test::GfxEngine;
using test::px;

// An archive with the entries given (name, kind, stored bytes, decoded length).
std::string archive(const std::vector<std::tuple<std::string, uint8_t, std::string, uint32_t>>& entries) {
  auto be = [](std::string& b, uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<char>(v >> (8 * i)));
  };
  std::string table, data;
  for (const auto& [name, kind, bytes, decoded] : entries) {
    table += name;
    table.push_back('\0');
    table.push_back(static_cast<char>(kind));
    be(table, static_cast<uint32_t>(data.size()), 4);
    be(table, static_cast<uint32_t>(bytes.size()), 4);
    be(table, decoded, 4);
    data += bytes;
  }
  std::string out;
  be(out, static_cast<uint32_t>(entries.size()), 2);
  be(out, static_cast<uint32_t>(6 + table.size()), 4);
  return out + table + data;
}

TEST(GraphicsLoad, ArchiveMembers) {
  GfxEngine g;
  Engine& e = g.e();
  const std::string bmp = test::bmpFile(2, 1, {0x112233, 0x445566});
  std::vector<uint8_t> packed = encodeLzss(reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size());
  ImageObject delta = test::pic24(2, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C});
  std::vector<uint8_t> coded =
      encodeDeltaImage(delta.dib.pixels.data(), static_cast<size_t>(delta.dib.stride), 2, 2);
  g.writeFile("arc.vla", archive({{"pic\\packed.bmp", 2, std::string(packed.begin(), packed.end()),
                                   static_cast<uint32_t>(bmp.size())},
                                  {"delta.bmp", 1, std::string(coded.begin(), coded.end()), 0},
                                  {"plain.bmp", 0, bmp, static_cast<uint32_t>(bmp.size())}}));
  e.res.archivesEnabled = 1;
  ImageObject a;
  loadImage(e, a, ":c;PIC/Packed.BMP");
  ASSERT_TRUE(a.hasPicture());
  EXPECT_EQ(px(a, 1, 0), 0x445566u);
  ImageObject d;
  loadImage(e, d, "delta.bmp");
  ASSERT_TRUE(d.hasPicture());
  EXPECT_EQ(px(d, 0, 0), 0x010203u);
  EXPECT_EQ(px(d, 1, 1), 0x0A0B0Cu);

  ImageObject s;
  EXPECT_THROW(loadImage(e, s, "plain.bmp"), ProcessExit);
  EXPECT_EQ(sjisToUtf8(e.app.error.message).find("BMPが圧縮されていません"), 0u);
}

TEST(GraphicsLoad, ArchiveMissMessages) {
  GfxEngine g;
  g.writeFile("arc.vla", archive({}));
  g.e().res.archivesEnabled = 1;
  ImageObject o;
  EXPECT_THROW(loadImage(g.e(), o, "nowhere.bmp"), ProcessExit);
  EXPECT_EQ(sjisToUtf8(g.e().app.error.message).find("VLAアーカイブからファイルnowhere.bmpがみつかりません"), 0u);
  GfxEngine g2;
  g2.e().res.archivesEnabled = 1;
  EXPECT_THROW(loadImage(g2.e(), o, "nowhere.png"), ProcessExit);
  EXPECT_EQ(sjisToUtf8(g2.e().app.error.message).find("ファイルnowhere.pngを開けません。"), 0u);
}

TEST(GraphicsLoad, TheDecodedPictureCacheGivesWhatDecodingWould) {
  GfxEngine g;
  Engine& e = g.e();
  setPictureCacheEnabled(true);
  g.writeFile("two.png", encodePng(2, 1, {255, 0, 0, 128, 0, 0, 255, 255}));
  ImageObject a, b, c;
  loadImage(e, a, ":a/2,100,0;two.png");
  EXPECT_EQ(pictureCacheSize(), 1u);
  // Decoded another way (no alpha halves), then the first way again: each as decoding gives.
  loadImage(e, b, ":c;two.png");
  EXPECT_EQ(px(b, 0, 0), 0x800000u);
  loadImage(e, c, ":a/2,100,0;two.png");
  EXPECT_EQ(c.width(), 4);
  EXPECT_EQ(px(c, 1, 0), test::grey(127));
  // The file changed: its new picture, not the one held.
  g.writeFile("two.png", encodePng(2, 1, {0, 255, 0, 255, 0, 0, 255, 255}));
  ImageObject d;
  loadImage(e, d, ":c;two.png");
  EXPECT_EQ(px(d, 0, 0), 0x00FF00u);
  setPictureCacheEnabled(false);
  EXPECT_EQ(pictureCacheSize(), 0u);
}

// A PNG with its own alpha, drawn as a sprite over a known background in each transparency
// mode; every pixel is worked out here from the file's colour and alpha.
constexpr uint32_t kUnder = 0x306090;

// The alpha blend: colour weighted by alpha over what lies behind, each product truncated.
uint32_t overUnder(uint32_t rgb, unsigned a) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8)
    out |= (((rgb >> shift) & 0xFF) * a / 255 + ((kUnder >> shift) & 0xFF) * (255 - a) / 255) << shift;
  return out;
}

struct AlphaPixel {
  uint32_t rgb;
  unsigned a;
};

// Top row: transparent key-coloured corner, soft red edge, opaque blue, opaque key colour,
// soft green, opaque top-right corner. Bottom row: the same, shifted by one.
const std::vector<AlphaPixel> kSoft = {
    {0x0A141E, 0}, {0xC86432, 128}, {0x0000FF, 255}, {0x0A141E, 255}, {0x00FF00, 40}, {0x808080, 255},
    {0x808080, 255}, {0x0A141E, 0}, {0xC86432, 128}, {0x0000FF, 255}, {0x0A141E, 255}, {0x00FF00, 40}};

std::string softPng() {
  std::vector<uint8_t> rgba;
  for (const AlphaPixel& p : kSoft)
    rgba.insert(rgba.end(), {static_cast<uint8_t>(p.rgb >> 16), static_cast<uint8_t>(p.rgb >> 8),
                             static_cast<uint8_t>(p.rgb), static_cast<uint8_t>(p.a)});
  return encodePng(6, 2, rgba);
}

struct OnScreen : GfxEngine {
  OnScreen() {
    writeFile("soft.png", softPng());
    run("bg", "#306090,1");
  }
  // Sprite 1 from `name` at (10, 10), shown.
  void show(const std::string& name) {
    run("csp", "-1");
    run("lsp", "1,\"" + name + "\",10,10");
    run("print", "1");
  }
  // The pixels that differ from `want(i)` over the 6 x 2 area.
  template <typename Want>
  int wrong(Want want) {
    int bad = 0;
    for (int i = 0; i < 12; ++i) bad += window(10 + i % 6, 10 + i / 6) != want(i);
    return bad;
  }
};

TEST(PngAlpha, DrawnWithItsAlphaInEveryModeButCopy) {
  OnScreen g;
  auto own = [](int i) { return overUnder(kSoft[i].rgb, kSoft[i].a); };
  // The alpha selector: the whole width shows, each pixel by its own alpha.
  g.show(":a;soft.png");
  EXPECT_EQ(g.e().gfx.sprites[1].image.visibleWidth(), 6);
  EXPECT_EQ(g.wrong(own), 0);
  EXPECT_EQ(g.window(16, 10), kUnder);

  // The colour-key modes: the alpha, and the key colour transparent as well.
  auto keyed = [&](uint32_t key) {
    return [&own, key](int i) { return kSoft[i].rgb == key ? kUnder : own(i); };
  };
  g.show(":l;soft.png");
  EXPECT_EQ(g.wrong(keyed(0x0A141E)), 0);
  g.show(":r;soft.png");
  EXPECT_EQ(g.wrong(keyed(0x808080)), 0);
  g.show(":#0000ff;soft.png");
  EXPECT_EQ(g.wrong(keyed(0x0000FF)), 0);
  // No selector: the default mode (top-left key) applies.
  g.show("soft.png");
  EXPECT_EQ(g.wrong(keyed(0x0A141E)), 0);
  // Opacity on top of the picture's own alpha.
  g.run("csp", "-1");
  g.run("lsp", "1,\":l;soft.png\",10,10,128");
  g.run("print", "1");
  EXPECT_EQ(g.window(12, 10), overUnder(0x0000FF, 128));

  // Copy mode draws the picture opaque, its colours composed over black.
  g.show(":c;soft.png");
  EXPECT_EQ(g.wrong([](int i) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) out |= (((kSoft[i].rgb >> shift) & 0xFF) * kSoft[i].a / 255) << shift;
    return out;
  }), 0);
}

TEST(PngAlpha, CellsBackgroundsAndPicturesWithoutAlpha) {
  OnScreen g;
  // Two cells of 3 x 2: cell 1 is the right half of the file, drawn by its own alpha.
  g.show(":l/2,0,3;soft.png");
  const ImageObject& im = g.e().gfx.sprites[1].image;
  EXPECT_EQ(im.visibleWidth(), 3);
  EXPECT_EQ(im.cellCount, 2);
  g.run("cell", "1,1");
  g.run("print", "1");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(g.window(10 + i, 10), kSoft[3 + i].rgb == 0x0A141E ? kUnder : overUnder(kSoft[3 + i].rgb, kSoft[3 + i].a));
  }

  // A background is a whole picture: the alpha composed over black, nothing halved.
  g.run("bg", "\"soft.png\",1");
  EXPECT_EQ(g.e().gfx.bgSurface.width(), 640);
  const uint32_t soft = (0xC8 * 128 / 255) << 16 | (0x64 * 128 / 255) << 8 | (0x32 * 128 / 255);
  EXPECT_EQ(g.window(320 - 3 + 1, 240 - 1), soft);

  // A PNG without alpha, and a JPEG, follow the picture rules: with ':a;' the right half is
  // the mask (here 100 for the colour 100: weight 155).
  g.run("bg", "#306090,1");
  g.writeFile("plain.png", [] {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = 2;
    img.height = 1;
    img.format = PNG_FORMAT_RGB;
    const uint8_t rgb[6] = {200, 200, 200, 100, 100, 100};
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&img, nullptr, &size, 0, rgb, 0, nullptr);
    std::string out(size, '\0');
    png_image_write_to_memory(&img, out.data(), &size, 0, rgb, 0, nullptr);
    out.resize(size);
    return out;
  }());
  g.show(":a;plain.png");
  EXPECT_EQ(g.e().gfx.sprites[1].image.visibleWidth(), 1);
  EXPECT_EQ(g.window(10, 10), overUnder(0xC8C8C8, 155));
  g.writeFile("grey.jpg", encodeJpeg(16, 8, 100, 100, 100, JCS_GRAYSCALE));
  g.show(":a;grey.jpg");
  EXPECT_EQ(g.e().gfx.sprites[1].image.visibleWidth(), 8);
  const uint32_t got = g.window(12, 12), want = overUnder(0x646464, 155);
  for (int shift = 0; shift <= 16; shift += 8)
    EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((want >> shift) & 0xFF), 2);
}

}  // namespace
}  // namespace veloria
