// Line breaking for text cells: which characters may not start or end a line, and how
// many of the next characters must move to the next line together.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace veloria {

// A 2-byte Shift-JIS character as lead << 8 | trail.
using SjisChar = uint16_t;

// The characters a game added (addkinsoku) to the built-in sets.
struct ExtraKinsoku {
  const std::vector<SjisChar>* noLineStart = nullptr;
  const std::vector<SjisChar>* noLineEnd = nullptr;
};

bool isNoLineStart(SjisChar c, const ExtraKinsoku& extra = {});
bool isNoLineEnd(SjisChar c, const ExtraKinsoku& extra = {});

// How many of the following characters must move to the next line together with the next
// one: opening brackets may not end a line, closing marks may not start one.
int needsEarlyBreak(const std::vector<SjisChar>& following, const ExtraKinsoku& extra = {});

struct LookAhead {
  std::vector<SjisChar> chars;  // the 2-byte characters that follow
  bool waitFirst = false;       // an @ or \ comes before the first of them
};

// Looks at most 128 steps ahead from `pos` in `text` (stopping at a zero byte or the end).
// With `joinClosers`, a closing mark directly after an opening bracket is taken as one
// character with it.
LookAhead lookAhead(std::string_view text, size_t pos, bool joinClosers = false);

}  // namespace veloria
