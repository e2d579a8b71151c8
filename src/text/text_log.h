// The text log buffer (the engine hooks logChar, logLineFeed, markLogPage and clearLog are
// declared in text.h).
#pragma once

#include <cstdint>

namespace veloria {

struct TextLog;

// Appends bytes; a page longer than the room left is cut (the next page end restarts).
void logAppend(TextLog& log, const uint8_t* bytes, int n);
// One page mark (two page ends in a row give one); restarts the buffer past 8500 bytes.
void logMarkPage(TextLog& log);
// Spaces throughout; with `withMark` a page mark at position 0.
void logClear(TextLog& log, bool withMark);

}  // namespace veloria
