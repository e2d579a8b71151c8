// The tag in front of a picture name: ":" selector [/count,interval,mode] ";" file name.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace veloria {

enum class TagStatus { Ok, TagError, ColorError };

struct ParsedTag {
  bool hasTag = false;
  int32_t transMode = -1;  // -1: no selector (the default mode applies)
  bool keyColorSet = false;
  int32_t keyRed = 0, keyGreen = 0, keyBlue = 0;
  bool keyIndexSet = false;
  int32_t keyIndex = 0;
  bool cellClause = false;
  int32_t cellCount = 1;
  int32_t cellInterval = 0;
  int32_t animMode = 0;
  std::vector<int32_t> cellIntervals;  // the list form; cellInterval is then -1
  std::string_view fileName;           // the text after ';' (or the whole text)
};

// Pure parser; never reads outside `text`. A tag without ';', a cell clause without its
// commas, a short interval list, a list not closed by '>' or a cell count below 1 give
// TagError; '#' not followed by six hexadecimal digits gives ColorError.
TagStatus parseTag(std::string_view text, ParsedTag& out);

}  // namespace veloria
