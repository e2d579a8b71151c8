#include "platform/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace veloria {

namespace {

std::string convert(std::string_view in, const char* from, const char* to, std::string_view replacement,
                    bool* lossy = nullptr) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter: only ASCII passes through unchanged.
    if (lossy) *lossy = std::any_of(in.begin(), in.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return std::string(in);
  }
  std::string out;
  out.reserve(in.size() * 3 / 2 + 4);
  char buf[1024];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // Invalid or incomplete sequence: replace one byte (or one UTF-8 character) and go on.
      size_t skip = 1;
      if (std::string_view(from) == "UTF-8") {
        unsigned char c = static_cast<unsigned char>(*src);
        skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (skip > left) skip = left;
      } else if (left >= 2 && isSjisLead(static_cast<uint8_t>(*src))) {
        skip = 2;
      }
      out.append(replacement);
      if (lossy) *lossy = true;
      src += skip;
      left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string sjisToUtf8(std::string_view sjis) { return convert(sjis, "CP932", "UTF-8", "\xEF\xBF\xBD"); }

std::string utf8ToSjis(std::string_view utf8) { return convert(utf8, "UTF-8", "CP932", "?"); }

bool utf8ToSjisExact(std::string_view utf8, std::string& out) {
  bool lossy = false;
  out = convert(utf8, "UTF-8", "CP932", "?", &lossy);
  return !lossy;
}

char32_t sjisToCodepoint(uint16_t code) {
  static std::once_flag once;
  static std::unique_ptr<std::array<char32_t, 65536>> table;
  std::call_once(once, [] {
    table = std::make_unique<std::array<char32_t, 65536>>();
    table->fill(0xFFFD);
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    auto one = [&](const char* in, size_t n) -> char32_t {
      char inb[2] = {in[0], n > 1 ? in[1] : '\0'};
      char* src = inb;
      size_t left = n;
      char32_t out = 0;
      char* dst = reinterpret_cast<char*>(&out);
      size_t room = 4;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &src, &left, &dst, &room) == static_cast<size_t>(-1) || room != 0) return 0xFFFD;
      return out;
    };
    for (int b = 0; b < 256; ++b) {
      if (isSjisLead(static_cast<uint8_t>(b))) continue;
      char c = static_cast<char>(b);
      (*table)[b] = one(&c, 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!isSjisLead(static_cast<uint8_t>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        (*table)[(lead << 8) | trail] = one(in, 2);
      }
    }
    iconv_close(cd);
  });
  return (*table)[code];
}

const std::string& sj(const char* utf8Literal) {
  static std::mutex m;
  static std::unordered_map<const char*, std::string> cache;
  std::lock_guard<std::mutex> lock(m);
  auto it = cache.find(utf8Literal);
  if (it != cache.end()) return it->second;
  return cache.emplace(utf8Literal, utf8ToSjis(utf8Literal)).first->second;
}

}  // namespace veloria
