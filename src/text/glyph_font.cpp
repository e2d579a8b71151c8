#include "text/glyph_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

#include "platform/text_codec.h"

namespace veloria {

namespace {

struct LoadedFont {
  FT_Face face = nullptr;
  bool syntheticBold = false;
  std::string file;
  int id = 0;
  FT_F26Dot6 sizeX = 0, sizeY = 0;  // the size last set on the face
  int ascent = 0;                    // pixels from the cell top to the baseline at that size
};

FT_Library ftLibrary() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

bool fontconfigReady() {
  static bool ok = FcInit() == FcTrue;
  return ok;
}

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The Windows Japanese faces scripts name: they have no copy here and stand in silently.
bool isWindowsJapaneseFace(const std::string& utf8) {
  static const char* const kPrefixes[] = {"ＭＳ", "MS ", "ms "};
  for (const char* p : kPrefixes)
    if (utf8.rfind(p, 0) == 0) return true;
  return false;
}

bool wantsSerif(const std::string& utf8) {
  std::string l = lowerAscii(utf8);
  return utf8.find("明朝") != std::string::npos || l.find("mincho") != std::string::npos ||
         l.find("serif") != std::string::npos;
}

bool hasJapanese(FcPattern* p) {
  FcLangSet* ls = nullptr;
  if (FcPatternGetLangSet(p, FC_LANG, 0, &ls) != FcResultMatch || !ls) return false;
  return FcLangSetHasLang(ls, reinterpret_cast<const FcChar8*>("ja")) != FcLangDifferentLang;
}

bool familyMatches(FcPattern* p, const std::string& utf8) {
  std::string want = lowerAscii(utf8);
  FcChar8* fam = nullptr;
  for (int i = 0; FcPatternGetString(p, FC_FAMILY, i, &fam) == FcResultMatch; ++i)
    if (lowerAscii(reinterpret_cast<const char*>(fam)) == want) return true;
  return false;
}

struct Candidate {
  std::string file;
  int index = 0;
  bool embolden = false;
};

std::optional<Candidate> candidateOf(FcPattern* p) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch || !file) return std::nullopt;
  Candidate c;
  c.file = reinterpret_cast<const char*>(file);
  int idx = 0;
  if (FcPatternGetInteger(p, FC_INDEX, 0, &idx) == FcResultMatch) c.index = idx;
  FcBool emb = FcFalse;
  if (FcPatternGetBool(p, FC_EMBOLDEN, 0, &emb) == FcResultMatch) c.embolden = emb == FcTrue;
  return c;
}

// fontconfig's best font for the pattern after its usual substitutions.
FcPattern* matchPattern(FcPattern* pat) {
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult r;
  return FcFontMatch(nullptr, pat, &r);
}

void addStandIns(FcPattern* pat, bool serif) {
  static const char* const kGothic[] = {"IPAGothic", "IPAexGothic", "Noto Sans Mono CJK JP", "VL Gothic",
                                        "TakaoGothic", "monospace"};
  static const char* const kMincho[] = {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP", "TakaoMincho",
                                        "serif"};
  if (serif)
    for (const char* f : kMincho) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(f));
  for (const char* f : kGothic) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(f));
}

// Candidates in order of preference for a face: the named family (or the stand-in for a
// Windows face), then any Japanese font, then any font at all. `exact` tells whether the
// first candidate is the face itself.
std::vector<Candidate> candidatesFor(const std::string& utf8, bool bold, bool* exact) {
  std::vector<Candidate> out;
  *exact = false;
  if (!fontconfigReady()) return out;
  int weight = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;

  FcPattern* pat = FcPatternCreate();
  if (!utf8.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.c_str()));
  addStandIns(pat, wantsSerif(utf8));
  FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddInteger(pat, FC_SPACING, FC_MONO);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcPatternAddInteger(pat, FC_WEIGHT, weight);
  if (FcPattern* m = matchPattern(pat)) {
    if (hasJapanese(m)) {
      if (auto c = candidateOf(m)) {
        *exact = utf8.empty() || familyMatches(m, utf8) || isWindowsJapaneseFace(utf8);
        out.push_back(*c);
      }
    }
    FcPatternDestroy(m);
  }
  FcPatternDestroy(pat);

  // Any Japanese font, fixed pitch first, in a stable order.
  FcPattern* ja = FcPatternCreate();
  FcPatternAddString(ja, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddBool(ja, FC_SCALABLE, FcTrue);
  FcObjectSet* os = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_SPACING, nullptr);
  if (FcFontSet* fs = FcFontList(nullptr, ja, os)) {
    std::vector<std::pair<int, Candidate>> list;
    for (int i = 0; i < fs->nfont; ++i) {
      auto c = candidateOf(fs->fonts[i]);
      if (!c) continue;
      int sp = FC_PROPORTIONAL;
      FcPatternGetInteger(fs->fonts[i], FC_SPACING, 0, &sp);
      c->embolden = bold;
      list.emplace_back(sp == FC_PROPORTIONAL ? 1 : 0, *c);
    }
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : a.second.file < b.second.file;
    });
    for (auto& [k, c] : list) out.push_back(c);
    FcFontSetDestroy(fs);
  }
  FcObjectSetDestroy(os);
  FcPatternDestroy(ja);

  // Any font at all.
  FcPattern* any = FcPatternCreate();
  FcPatternAddBool(any, FC_SCALABLE, FcTrue);
  if (FcPattern* m = matchPattern(any)) {
    if (auto c = candidateOf(m)) {
      c->embolden = bold;
      out.push_back(*c);
    }
    FcPatternDestroy(m);
  }
  FcPatternDestroy(any);
  return out;
}

class FontCache {
 public:
  // The font for a face name and weight; nullptr when no font at all can be loaded.
  LoadedFont* get(std::string_view sjisFace, bool bold) {
    std::string key(sjisFace);
    key.push_back(bold ? 'B' : 'R');
    auto it = byName_.find(key);
    if (it != byName_.end()) return it->second;
    LoadedFont* f = resolve(std::string(sjisFace), bold);
    byName_[key] = f;
    return f;
  }

 private:
  LoadedFont* resolve(const std::string& sjisFace, bool bold) {
    std::string utf8 = sjisToUtf8(sjisFace);
    bool exact = false;
    std::vector<Candidate> cands = candidatesFor(utf8, bold, &exact);
    for (size_t i = 0; i < cands.size(); ++i) {
      LoadedFont* f = open(cands[i]);
      if (!f) continue;
      if ((i > 0 || !exact) && warned_.insert(utf8).second)
        std::fprintf(stderr, "veloria: font \"%s\" is not installed; using %s\n", utf8.c_str(), f->file.c_str());
      return f;
    }
    if (warned_.insert(utf8).second)
      std::fprintf(stderr, "veloria: no usable font for \"%s\"; text is not drawn\n", utf8.c_str());
    return nullptr;
  }

  LoadedFont* open(const Candidate& c) {
    std::string key = c.file + '#' + std::to_string(c.index) + (c.embolden ? "B" : "R");
    auto it = byFile_.find(key);
    if (it != byFile_.end()) return it->second.get();
    FT_Library lib = ftLibrary();
    if (!lib) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, c.file.c_str(), c.index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face) && face->num_fixed_sizes == 0) {
      FT_Done_Face(face);
      return nullptr;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    auto f = std::make_unique<LoadedFont>();
    f->face = face;
    f->file = c.file;
    f->syntheticBold = c.embolden && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    f->id = static_cast<int>(byFile_.size()) + 1;
    LoadedFont* raw = f.get();
    byFile_[key] = std::move(f);
    return raw;
  }

  std::unordered_map<std::string, LoadedFont*> byName_;
  std::unordered_map<std::string, std::unique_ptr<LoadedFont>> byFile_;
  std::set<std::string> warned_;
};

FontCache& fontCache() {
  static FontCache c;
  return c;
}

// Sizes the face as a cell of `cellH` pixels high whose half-width characters are
// `halfW` pixels wide: the line height (ascent plus descent) fills the cell.
void setCellSize(LoadedFont& f, int cellW3, int cellH3) {
  FT_Face face = f.face;
  int upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
  long asc = face->ascender, desc = -face->descender;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      asc = os2->usWinAscent;
      desc = os2->usWinDescent;
    }
  }
  if (asc + desc <= 0) {
    asc = upem * 88 / 100;
    desc = upem - asc;
  }
  FT_F26Dot6 sizeY = static_cast<FT_F26Dot6>(static_cast<int64_t>(cellH3) * 64 * upem / (asc + desc));
  // A full-width character is twice the nominal half width.
  int fullW = ((cellW3) / 2) * 2;
  FT_F26Dot6 sizeX = cellH3 > 0 ? static_cast<FT_F26Dot6>(static_cast<int64_t>(sizeY) * fullW / cellH3) : sizeY;
  if (sizeX < 64) sizeX = 64;
  if (sizeY < 64) sizeY = 64;
  if (sizeX == f.sizeX && sizeY == f.sizeY) return;
  if (FT_IS_SCALABLE(face)) {
    FT_Set_Char_Size(face, sizeX, sizeY, 72, 72);
  } else {
    FT_Select_Size(face, 0);
  }
  f.sizeX = sizeX;
  f.sizeY = sizeY;
  f.ascent = static_cast<int>((static_cast<int64_t>(asc) * sizeY / upem + 32) >> 6);
}

// Draws one code point at pen x (pixels); returns the advance.
int drawCodepoint(LoadedFont& f, char32_t cp, int penX, int w3, int h3, uint8_t* out) {
  if (cp < 0x20 || cp == 0xFFFD || cp == 0x7F) return 0;
  FT_Face face = f.face;
  FT_UInt gi = FT_Get_Char_Index(face, cp);
  if (gi == 0) return 0;
  if (FT_Load_Glyph(face, gi, FT_LOAD_TARGET_MONO | FT_LOAD_RENDER) != 0) return 0;
  FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  int x0 = penX + slot->bitmap_left;
  int y0 = f.ascent - slot->bitmap_top;
  for (unsigned r = 0; r < bm.rows; ++r) {
    int y = y0 + static_cast<int>(r);
    if (y < 0 || y >= h3) continue;
    const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
    uint8_t* dst = out + static_cast<size_t>(y) * w3;
    for (unsigned c = 0; c < bm.width; ++c) {
      int x = x0 + static_cast<int>(c);
      if (x < 0 || x >= w3) continue;
      bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[c >> 3] >> (7 - (c & 7))) & 1) != 0
                : bm.pixel_mode == FT_PIXEL_MODE_GRAY ? row[c] >= 128
                                                      : false;
      if (on) dst[x] = 255;
    }
  }
  return static_cast<int>((slot->advance.x + 32) >> 6);
}

// Overstrike one pixel to the right, as a weight the face does not have is simulated.
void overstrike(uint8_t* pic, int w3, int h3) {
  for (int y = 0; y < h3; ++y) {
    uint8_t* row = pic + static_cast<size_t>(y) * w3;
    for (int x = w3 - 1; x > 0; --x) row[x] |= row[x - 1];
  }
}

bool drawableSize(int w, int h) { return w > 0 && h > 0 && w <= kMaxGlyphCell && h <= kMaxGlyphCell; }

void rasteriseWith(LoadedFont* f, const GlyphRequest& req, std::vector<uint8_t>& out) {
  int w3 = req.cellWidth * 3, h3 = req.cellHeight * 3;
  out.assign(static_cast<size_t>(w3) * h3, 0);
  if (!f) return;
  setCellSize(*f, w3, h3);
  auto drawCell = [&](std::vector<uint8_t>& pic) {
    if (isSjisLead(req.first)) {
      drawCodepoint(*f, sjisToCodepoint(static_cast<uint16_t>(req.first << 8 | req.second)), 0, w3, h3, pic.data());
    } else {
      // Two single-byte characters side by side; a lone lead byte second draws nothing.
      int adv = drawCodepoint(*f, sjisToCodepoint(req.first), 0, w3, h3, pic.data());
      if (!isSjisLead(req.second)) drawCodepoint(*f, sjisToCodepoint(req.second), adv, w3, h3, pic.data());
    }
    if (f->syntheticBold) overstrike(pic.data(), w3, h3);
  };
  drawCell(out);
  if (req.bold) {
    // The second drawing one pixel to the right lies on top of the first.
    overstrike(out.data(), w3, h3);
  }
}

struct CacheKey {
  int font;
  int w, h;
  bool bold;
  uint16_t code;
  bool operator==(const CacheKey&) const = default;
};
struct CacheKeyHash {
  size_t operator()(const CacheKey& k) const {
    uint64_t v = static_cast<uint64_t>(k.font) * 0x9E3779B97F4A7C15ull;
    v ^= (static_cast<uint64_t>(k.w) << 40) ^ (static_cast<uint64_t>(k.h) << 24) ^ (k.bold ? 1ull << 20 : 0) ^ k.code;
    return std::hash<uint64_t>()(v);
  }
};

}  // namespace

void coverageFilter(const uint8_t* pic, int stride, int cellWidth, int cellHeight, uint8_t* coverage) {
  for (int r = 0; r < cellHeight; ++r) {
    const uint8_t* s0 = pic + static_cast<size_t>(3 * r) * stride;
    const uint8_t* s1 = s0 + stride;
    const uint8_t* s2 = s1 + stride;
    uint8_t* out = coverage + static_cast<size_t>(r) * cellWidth;
    for (int k = 0; k < cellWidth; ++k) {
      int c = 3 * k;
      unsigned sum = s0[c] + 2u * s0[c + 1] + s0[c + 2] + 2u * s1[c] + 4u * s1[c + 1] + 2u * s1[c + 2] + s2[c] +
                     2u * s2[c + 1] + s2[c + 2];
      out[k] = static_cast<uint8_t>(sum >> 4);
    }
  }
}

void rasteriseCell(const GlyphRequest& req, std::vector<uint8_t>& out) {
  if (!drawableSize(req.cellWidth, req.cellHeight)) {
    out.clear();
    return;
  }
  rasteriseWith(fontCache().get(req.faceName, req.bold), req, out);
}

const std::vector<uint8_t>& cellCoverage(const GlyphRequest& req) {
  static std::unordered_map<CacheKey, std::vector<uint8_t>, CacheKeyHash> cache;
  static size_t cachedBytes = 0;
  static std::vector<uint8_t> scratch, uncached;
  if (!drawableSize(req.cellWidth, req.cellHeight)) {
    uncached.clear();
    return uncached;
  }
  LoadedFont* f = fontCache().get(req.faceName, req.bold);
  CacheKey key{f ? f->id : 0, req.cellWidth, req.cellHeight, req.bold,
               static_cast<uint16_t>(req.first << 8 | req.second)};
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  rasteriseWith(f, req, scratch);
  std::vector<uint8_t> cov(static_cast<size_t>(req.cellWidth) * req.cellHeight);
  coverageFilter(scratch.data(), req.cellWidth * 3, req.cellWidth, req.cellHeight, cov.data());
  // Big cells are rare; keep the cache to a few megabytes.
  constexpr size_t kCacheBytes = 16u << 20;
  if (cachedBytes + cov.size() > kCacheBytes) {
    cache.clear();
    cachedBytes = 0;
  }
  cachedBytes += cov.size();
  return cache.emplace(key, std::move(cov)).first->second;
}

std::vector<FontFamily> enumerateJapaneseFamilies() {
  std::vector<FontFamily> out;
  if (!fontconfigReady()) return out;
  FcPattern* ja = FcPatternCreate();
  FcPatternAddString(ja, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_SPACING, FC_SCALABLE, nullptr);
  FcFontSet* fs = FcFontList(nullptr, ja, os);
  std::map<std::string, bool> families;  // Shift-JIS name -> fixed pitch and scalable
  if (fs) {
    for (int i = 0; i < fs->nfont; ++i) {
      FcPattern* p = fs->fonts[i];
      // Prefer the family's Japanese name, as the menu of a Japanese system shows it.
      std::string name;
      FcChar8* fam = nullptr;
      FcChar8* lang = nullptr;
      for (int j = 0; FcPatternGetString(p, FC_FAMILY, j, &fam) == FcResultMatch; ++j) {
        std::string f = reinterpret_cast<const char*>(fam);
        bool jaName = FcPatternGetString(p, FC_FAMILYLANG, j, &lang) == FcResultMatch &&
                      std::strcmp(reinterpret_cast<const char*>(lang), "ja") == 0;
        if (name.empty() || jaName) {
          std::string sjis = utf8ToSjis(f);
          if (sjisToUtf8(sjis) == f) name = sjis;
          if (jaName && !name.empty()) break;
        }
      }
      if (name.empty()) continue;
      int sp = FC_PROPORTIONAL;
      FcPatternGetInteger(p, FC_SPACING, 0, &sp);
      FcBool scalable = FcFalse;
      FcPatternGetBool(p, FC_SCALABLE, 0, &scalable);
      bool fixed = (sp == FC_MONO || sp == FC_DUAL || sp == FC_CHARCELL) && scalable == FcTrue && name[0] != '@';
      auto [it, fresh] = families.emplace(name, fixed);
      if (!fresh) it->second = it->second || fixed;
    }
    FcFontSetDestroy(fs);
  }
  FcObjectSetDestroy(os);
  FcPatternDestroy(ja);
  for (auto& [name, fixed] : families) out.push_back(FontFamily{name, fixed});
  return out;
}

std::string resolvedFontFile(std::string_view faceName) {
  LoadedFont* f = fontCache().get(faceName, false);
  return f ? f->file : std::string();
}

}  // namespace veloria
