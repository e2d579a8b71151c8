// A small JSON writer: the automation dump, the play-test report, the game library.
// Strings are written as given (UTF-8).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace veloria {

class JsonWriter {
 public:
  JsonWriter& beginObject() { sep(); out_ += '{'; first_.push_back(true); return *this; }
  JsonWriter& endObject() { out_ += '}'; first_.pop_back(); return *this; }
  JsonWriter& beginArray() { sep(); out_ += '['; first_.push_back(true); return *this; }
  JsonWriter& endArray() { out_ += ']'; first_.pop_back(); return *this; }
  JsonWriter& key(std::string_view k) {
    sep();
    str(k);
    out_ += ':';
    afterKey_ = true;
    return *this;
  }
  JsonWriter& value(std::string_view s) { sep(); str(s); return *this; }
  JsonWriter& value(const char* s) { return value(std::string_view(s)); }
  JsonWriter& value(int64_t v) { sep(); out_ += std::to_string(v); return *this; }
  JsonWriter& value(int v) { return value(static_cast<int64_t>(v)); }
  JsonWriter& value(uint32_t v) { return value(static_cast<int64_t>(v)); }
  JsonWriter& value(bool b) { sep(); out_ += b ? "true" : "false"; return *this; }
  JsonWriter& null() { sep(); out_ += "null"; return *this; }
  const std::string& str() const { return out_; }

 private:
  void sep() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (!first_.empty()) {
      if (!first_.back()) out_ += ',';
      first_.back() = false;
    }
  }
  void str(std::string_view s) {
    out_ += '"';
    for (unsigned char c : s) {
      switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
          if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out_ += buf;
          } else {
            out_ += static_cast<char>(c);
          }
      }
    }
    out_ += '"';
  }
  std::string out_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};

}  // namespace veloria
