#include "platform/sdl/ui_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace veloria {

namespace {

std::string findUiFontFile() {
  std::string path;
  if (!FcInit()) return path;
  FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  if (match) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
      path = reinterpret_cast<const char*>(file);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pat);
  return path;
}

}  // namespace

std::u32string decodeUtf8(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += static_cast<size_t>(n);
  }
  return out;
}

UiFont::UiFont(int pixelSize) {
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) return;
  library_ = lib;
  // One font file for every size the chrome is drawn at; asking fontconfig again is slow.
  static const std::string file = findUiFontFile();
  FT_Face face = nullptr;
  if (file.empty() || FT_New_Face(lib, file.c_str(), 0, &face) != 0) return;
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
  face_ = face;
  ascender_ = static_cast<int>(face->size->metrics.ascender >> 6);
  lineHeight_ = static_cast<int>(face->size->metrics.height >> 6);
}

UiFont::~UiFont() {
  if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

int UiFont::measure(const std::string& utf8) {
  if (!face_) return static_cast<int>(utf8.size()) * 8;
  FT_Face face = static_cast<FT_Face>(face_);
  int w = 0;
  for (char32_t cp : decodeUtf8(utf8)) {
    if (FT_Load_Char(face, cp, FT_LOAD_DEFAULT) == 0) w += static_cast<int>(face->glyph->advance.x >> 6);
  }
  return w;
}

TextImage UiFont::render(const std::string& utf8) {
  TextImage img;
  img.width = std::max(1, measure(utf8));
  img.height = std::max(1, lineHeight_);
  img.alpha.assign(static_cast<size_t>(img.width) * img.height, 0);
  if (!face_) return img;
  FT_Face face = static_cast<FT_Face>(face_);
  int penX = 0;
  for (char32_t cp : decodeUtf8(utf8)) {
    if (FT_Load_Char(face, cp, FT_LOAD_RENDER) != 0) continue;
    FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    for (unsigned row = 0; row < bm.rows; ++row) {
      int y = ascender_ - g->bitmap_top + static_cast<int>(row);
      if (y < 0 || y >= img.height) continue;
      for (unsigned col = 0; col < bm.width; ++col) {
        int x = penX + g->bitmap_left + static_cast<int>(col);
        if (x < 0 || x >= img.width) continue;
        uint8_t a = bm.buffer[row * static_cast<unsigned>(bm.pitch) + col];
        uint8_t& dst = img.alpha[static_cast<size_t>(y) * img.width + x];
        dst = std::max(dst, a);
      }
    }
    penX += static_cast<int>(g->advance.x >> 6);
  }
  return img;
}

}  // namespace veloria
