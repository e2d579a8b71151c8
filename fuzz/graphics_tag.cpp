// The tag in front of a picture name, from arbitrary bytes: the parser answers Ok, TagError
// or ColorError, and on Ok its file name is the end of the text and its cell count at least 1.
// The same bytes as a text sprite's name: on Ok at least one colour, sizes in range, and the
// caption the end of the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "graphics/tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  veloria::TextSpriteTag sprite;
  if (veloria::isTextSpriteName(text) && veloria::parseTextSpriteTag(text, sprite) == veloria::TagStatus::Ok) {
    if (sprite.colors.empty() || sprite.text.size() > text.size() ||
        text.substr(text.size() - sprite.text.size()) != sprite.text)
      std::abort();
    if (sprite.sizeGiven && (sprite.glyphWidth < 1 || sprite.glyphHeight < 1 || sprite.gap < -sprite.glyphWidth ||
                             sprite.glyphWidth > veloria::kMaxTextSpriteGlyph))
      std::abort();
  }
  veloria::ParsedTag tag;
  if (veloria::parseTag(text, tag) != veloria::TagStatus::Ok) return 0;
  if (tag.cellCount < 1) std::abort();
  if (!tag.hasTag && tag.fileName != text) std::abort();
  if (tag.fileName.size() > text.size() || text.substr(text.size() - tag.fileName.size()) != tag.fileName)
    std::abort();
  return 0;
}
