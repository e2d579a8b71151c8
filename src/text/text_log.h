// The text log buffer (the engine hooks logChar, logLineFeed, markLogPage and clearLog are
// declared in text.h).
#pragma once

#include <cstdint>
#include <string>

namespace veloria {

struct TextLog;

// Appends bytes; a page longer than the room left is cut (the next page end restarts).
void logAppend(TextLog& log, const uint8_t* bytes, int n);
// One page mark (two page ends in a row give one); with 8500 or more bytes in use the buffer
// then starts afresh with only that mark.
void logMarkPage(TextLog& log);
// Spaces throughout; with `withMark` a page mark at position 0.
void logClear(TextLog& log, bool withMark);
// Page n (1 = the last finished page, 2 the one before, ...): the bytes between the two page
// marks around it, line feeds as 10. False when fewer than n + 1 marks precede the write
// position.
bool logPage(const TextLog& log, int n, std::string& out);

}  // namespace veloria
