#include "graphics/tag.h"

#include <limits>

namespace veloria {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A decimal number at `i` within [i, end): optional '-', digits (none reads as 0). Saturates
// instead of overflowing.
int32_t readDecimal(std::string_view s, size_t& i, size_t end) {
  bool neg = false;
  if (i < end && s[i] == '-') {
    neg = true;
    ++i;
  }
  int64_t v = 0;
  while (i < end && isDigit(s[i])) {
    v = v * 10 + (s[i] - '0');
    if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
    ++i;
  }
  return static_cast<int32_t>(neg ? -v : v);
}

// Six hexadecimal digits at i as 0xRRGGBB; false when they are not there.
bool readHexColor(std::string_view s, size_t i, uint32_t& out) {
  if (i > s.size() || s.size() - i < 6) return false;
  uint32_t v = 0;
  for (size_t k = 0; k < 6; ++k) {
    const int h = hexValue(s[i + k]);
    if (h < 0) return false;
    v = v << 4 | static_cast<uint32_t>(h);
  }
  out = v;
  return true;
}

}  // namespace

TagStatus parseTextSpriteTag(std::string_view text, TextSpriteTag& out) {
  out = TextSpriteTag{};
  if (!isTextSpriteName(text)) return TagStatus::TagError;
  size_t i = 2;
  if (i < text.size() && text[i] == '/') {
    ++i;
    const size_t end = text.find(';', i);
    if (end == std::string_view::npos) return TagStatus::TagError;
    const int32_t fw = readDecimal(text, i, end);
    if (i >= end || text[i] != ',') return TagStatus::TagError;
    ++i;
    const int32_t fh = readDecimal(text, i, end);
    if (i >= end || text[i] != ',') return TagStatus::TagError;
    ++i;
    const int32_t gap = readDecimal(text, i, end);
    if (i != end) return TagStatus::TagError;
    if (fw < 1 || fw > kMaxTextSpriteGlyph || fh < 1 || fh > kMaxTextSpriteGlyph || gap < -fw ||
        gap > kMaxTextSpriteGlyph)
      return TagStatus::TagError;
    out.sizeGiven = true;
    out.glyphWidth = fw;
    out.glyphHeight = fh;
    out.gap = gap;
    i = end + 1;
  }
  // The first colour is required; further ones follow as long as they are whole.
  uint32_t color = 0;
  if (i >= text.size() || text[i] != '#' || !readHexColor(text, i + 1, color)) return TagStatus::ColorError;
  do {
    out.colors.push_back(color);
    i += 7;
  } while (i < text.size() && text[i] == '#' && readHexColor(text, i + 1, color));
  out.text = text.substr(i);
  return TagStatus::Ok;
}

TagStatus parseTag(std::string_view text, ParsedTag& out) {
  out = ParsedTag{};
  if (text.empty() || text[0] != ':') {
    out.fileName = text;
    return TagStatus::Ok;
  }
  out.hasTag = true;
  const size_t end = text.find(';');
  if (end == std::string_view::npos) return TagStatus::TagError;
  out.fileName = text.substr(end + 1);

  size_t i = 1;
  while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;

  if (i < end) {
    switch (text[i]) {
      case 'l': out.transMode = 0; ++i; break;
      case 'a': out.transMode = 1; ++i; break;
      case 'c': out.transMode = 3; ++i; break;
      case 'r': out.transMode = 4; ++i; break;
      case '!':
        ++i;
        out.transMode = 2;
        out.keyIndexSet = true;
        out.keyIndex = readDecimal(text, i, end);
        break;
      case '#': {
        if (end - i < 7) return TagStatus::ColorError;
        int v[6];
        for (int k = 0; k < 6; ++k) {
          v[k] = hexValue(text[i + 1 + k]);
          if (v[k] < 0) return TagStatus::ColorError;
        }
        out.transMode = 2;
        out.keyColorSet = true;
        out.keyRed = v[0] * 16 + v[1];
        out.keyGreen = v[2] * 16 + v[3];
        out.keyBlue = v[4] * 16 + v[5];
        i += 7;
        break;
      }
      default:
        break;
    }
  }

  while (i < end) {
    if (text[i] != '/') {
      ++i;
      continue;
    }
    ++i;
    out.cellClause = true;
    out.cellIntervals.clear();
    const int32_t count = readDecimal(text, i, end);
    if (count < 1) return TagStatus::TagError;
    if (i >= end || text[i] != ',') return TagStatus::TagError;
    ++i;
    int32_t interval;
    if (i < end && text[i] == '<') {
      ++i;
      // Each value is read and followed by one separator; the last must be followed by '>'.
      for (int32_t n = 0; n < count; ++n) {
        if (i >= end || !(isDigit(text[i]) || text[i] == '-')) return TagStatus::TagError;
        out.cellIntervals.push_back(readDecimal(text, i, end));
        if (n + 1 < count) {
          if (i >= end || text[i] == '>') return TagStatus::TagError;
          ++i;
        }
      }
      if (i >= end || text[i] != '>') return TagStatus::TagError;
      ++i;
      interval = -1;
    } else {
      interval = readDecimal(text, i, end);
    }
    if (i >= end || text[i] != ',') return TagStatus::TagError;
    ++i;
    const int32_t mode = readDecimal(text, i, end);
    out.cellCount = count;
    out.animMode = mode;
    out.cellInterval = mode == 3 ? 0xFFFFFF : interval;
  }
  return TagStatus::Ok;
}

}  // namespace veloria
