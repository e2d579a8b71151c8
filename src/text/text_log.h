// The text log buffer (the engine hooks logChar, logLineFeed, markLogPage and clearLog are
// declared in text.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
// maxkaisoupage: the log becomes a list of at most `maxPages` finished pages (the ring's
// pages carry over).
void logSetPageLimit(TextLog& log, int maxPages);
// The log as the ring holds it, for a save file: in page-list mode the pages joined with
// their marks, cut to the ring's size from the oldest end. `writePos` gets the ring position.
std::string logAsRing(const TextLog& log, int32_t& writePos);
// Page-list mode after a load: the pages again from the ring's bytes.
void logFromRing(TextLog& log, std::string_view bytes);

}  // namespace veloria
