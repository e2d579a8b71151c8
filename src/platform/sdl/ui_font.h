// Text for the window's own chrome (menu bar, message boxes, input dialog): one Japanese
// UI font found with fontconfig, drawn anti-aliased with FreeType into ARGB pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veloria {

struct TextImage {
  int width = 0, height = 0;
  std::vector<uint8_t> alpha;  // coverage, width * height
};

class UiFont {
 public:
  explicit UiFont(int pixelSize);
  ~UiFont();
  UiFont(const UiFont&) = delete;
  UiFont& operator=(const UiFont&) = delete;
  bool ok() const { return face_ != nullptr; }
  int lineHeight() const { return lineHeight_; }
  int measure(const std::string& utf8);
  TextImage render(const std::string& utf8);

 private:
  void* library_ = nullptr;  // FT_Library
  void* face_ = nullptr;     // FT_Face
  int ascender_ = 0;
  int lineHeight_ = 0;
};

// Decodes UTF-8 into code points (invalid bytes become U+FFFD).
std::u32string decodeUtf8(const std::string& s);

}  // namespace veloria
