#include "text/line_layout.h"

#include <algorithm>
#include <string>

#include "platform/text_codec.h"

namespace veloria {

namespace {

std::vector<SjisChar> charsOf(const char* utf8) {
  const std::string& s = sj(utf8);
  std::vector<SjisChar> out;
  for (size_t i = 0; i + 1 < s.size(); i += 2)
    out.push_back(static_cast<SjisChar>(static_cast<uint8_t>(s[i]) << 8 | static_cast<uint8_t>(s[i + 1])));
  return out;
}

const std::vector<SjisChar>& noLineStart() {
  static const std::vector<SjisChar> v = charsOf("、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』");
  return v;
}

const std::vector<SjisChar>& noLineEnd() {
  static const std::vector<SjisChar> v = charsOf("（［｛「『");
  return v;
}

bool contains(const std::vector<SjisChar>* v, SjisChar c) {
  return v && std::find(v->begin(), v->end(), c) != v->end();
}

}  // namespace

bool isNoLineStart(SjisChar c, const ExtraKinsoku& extra) {
  return contains(&noLineStart(), c) || contains(extra.noLineStart, c);
}

bool isNoLineEnd(SjisChar c, const ExtraKinsoku& extra) {
  return contains(&noLineEnd(), c) || contains(extra.noLineEnd, c);
}

int needsEarlyBreak(const std::vector<SjisChar>& c, const ExtraKinsoku& extra) {
  size_t n = 0;
  while (n + 1 < c.size()) {
    if (isNoLineEnd(c[n], extra) || isNoLineStart(c[n + 1], extra))
      ++n;
    else
      break;
  }
  return static_cast<int>(n);
}

LookAhead lookAhead(std::string_view text, size_t pos, bool joinClosers) {
  LookAhead la;
  bool lastWasOpener = false;
  for (int step = 0; step < 128 && pos < text.size(); ++step) {
    uint8_t b = static_cast<uint8_t>(text[pos]);
    if (b == 0) break;
    if (isSjisLead(b)) {
      if (pos + 1 >= text.size() || text[pos + 1] == 0) break;
      SjisChar c = static_cast<SjisChar>(b << 8 | static_cast<uint8_t>(text[pos + 1]));
      if (joinClosers && lastWasOpener && isNoLineStart(c)) {
        lastWasOpener = false;
      } else {
        la.chars.push_back(c);
        lastWasOpener = isNoLineEnd(c);
      }
      pos += 2;
    } else {
      if (la.chars.empty() && (b == '@' || b == '\\')) la.waitFirst = true;
      ++pos;
    }
  }
  return la;
}

}  // namespace veloria
