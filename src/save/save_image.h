// The two item kinds of the persisted files: a 32-bit little-endian integer, and a string
// written as its bytes and one NUL. No header, no length prefix, no checksum.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace veloria {

class ItemWriter {
 public:
  explicit ItemWriter(std::vector<uint8_t>& out) : out_(out) {}
  void putInt(int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                          static_cast<uint8_t>(u >> 24)};
    out_.insert(out_.end(), b, b + 4);
  }
  void putBytes(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) out_.push_back(bytes[i]);
  }
  // A string ends at its first NUL: the format cannot hold one inside.
  void putString(const std::string& s) {
    size_t n = std::strlen(s.c_str());
    out_.insert(out_.end(), s.data(), s.data() + n);
    out_.push_back(0);
  }

 private:
  std::vector<uint8_t>& out_;
};

// Reads items from a byte range without ever looking past it. As the format says, a missing
// integer reads as 0 and a string ends at its NUL or at the end. A string longer than the
// caller allows marks the input damaged (it was not written by us).
class ItemReader {
 public:
  ItemReader(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  int32_t getInt() {
    if (n_ - pos_ < 4) {
      pos_ = n_;
      ranOut_ = true;
      return 0;
    }
    uint32_t u = uint32_t{p_[pos_]} | uint32_t{p_[pos_ + 1]} << 8 | uint32_t{p_[pos_ + 2]} << 16 |
                 uint32_t{p_[pos_ + 3]} << 24;
    pos_ += 4;
    return static_cast<int32_t>(u);
  }
  void getString(std::string& out, size_t maxBytes) {
    if (pos_ >= n_) {
      out.clear();
      ranOut_ = true;
      return;
    }
    const uint8_t* start = p_ + pos_;
    const void* nul = std::memchr(start, 0, n_ - pos_);
    size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - start) : n_ - pos_;
    if (len > maxBytes) {
      damaged_ = true;
      len = maxBytes;
    }
    out.assign(reinterpret_cast<const char*>(start), len);
    pos_ = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p_) + 1 : n_;
  }
  // Steps over `n` bytes when they are exactly `bytes`; false (nothing read) otherwise.
  bool take(const uint8_t* bytes, size_t n) {
    if (n_ - pos_ < n || std::memcmp(p_ + pos_, bytes, n) != 0) return false;
    pos_ += n;
    return true;
  }
  bool atEnd() const { return pos_ >= n_; }
  bool damaged() const { return damaged_; }
  // An item was asked for after the last byte (and read as 0 or empty).
  bool ranOut() const { return ranOut_; }
  void markDamaged() { damaged_ = true; }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
  bool damaged_ = false;
  bool ranOut_ = false;
};

}  // namespace veloria
