// Shift-JIS (CP932) <-> UTF-8. The engine keeps script bytes in Shift-JIS; only titles,
// stderr, dialogs, file names and fonts need Unicode.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veloria {

inline bool isSjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Bytes that do not decode become U+FFFD.
std::string sjisToUtf8(std::string_view sjis);
// Characters without a CP932 form become '?'.
std::string utf8ToSjis(std::string_view utf8);
// As utf8ToSjis, but false when some character has no CP932 form or the UTF-8 is broken
// (what the player types must arrive whole, never with '?' in place of a letter).
bool utf8ToSjisExact(std::string_view utf8, std::string& out);
// One Shift-JIS character (lead << 8 | trail, or a single byte) as a code point; 0xFFFD if none.
char32_t sjisToCodepoint(uint16_t code);
// A Shift-JIS copy of a UTF-8 literal, converted once and kept (for the engine's own messages).
const std::string& sj(const char* utf8Literal);

}  // namespace veloria
