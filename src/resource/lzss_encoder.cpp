// The LZSS encoder of the author's tool. The window after i output bytes holds exactly the
// last 256 bytes of the data (or the preset spaces before it), whatever the parse was, so a
// reference is an ordinary back-reference of distance 1..256 and the cheapest parse can be
// found by a backward pass over the possible matches.
#include <algorithm>
#include <cstring>

#include "resource/lzss.h"
#include "resource/bit_writer.h"

namespace veloria {

namespace {

constexpr int kPreset = kLzssWindowStart;  // window positions 0..238 start as spaces
constexpr size_t kBlock = size_t{1} << 22; // the parse is optimal within blocks of this size

// BitWriter pads with 0 bits: a flag 0 whose reference is cut off decodes to nothing.

}  // namespace

std::vector<uint8_t> encodeLzss(const uint8_t* data, size_t size) {
  // The data behind the preset spaces, so that sources in the preset area need no special case.
  std::vector<uint8_t> buf(kPreset + size);
  std::memset(buf.data(), 0x20, kPreset);
  if (size) std::memcpy(buf.data() + kPreset, data, size);
  const size_t n = buf.size();

  std::vector<int32_t> head(65536, -1);
  int32_t prev[256];
  auto key = [&](size_t x) { return (static_cast<uint32_t>(buf[x]) << 8) | buf[x + 1]; };
  auto insert = [&](size_t x) {
    if (x + 1 >= n) return;
    uint32_t k = key(x);
    prev[x & 255] = head[k];
    head[k] = static_cast<int32_t>(x);
  };
  for (size_t x = 0; x < static_cast<size_t>(kPreset); ++x) insert(x);

  BitWriter bw;
  std::vector<uint8_t> len, src;
  std::vector<uint32_t> cost;
  for (size_t blockStart = kPreset; blockStart < n; blockStart += kBlock) {
    const size_t blockEnd = std::min(n, blockStart + kBlock);
    const size_t m = blockEnd - blockStart;
    len.assign(m, 1);
    src.assign(m, 0);
    for (size_t i = blockStart; i < blockEnd; ++i) {
      const size_t maxLen = std::min<size_t>(kLzssMaxMatch, blockEnd - i);
      if (maxLen >= kLzssMinMatch) {
        const int64_t lowest = static_cast<int64_t>(i) - 256;
        size_t best = 1, bestSrc = 0;
        for (int64_t c = head[key(i)]; c >= 0 && c >= lowest;) {
          size_t l = 2;
          while (l < maxLen && buf[static_cast<size_t>(c) + l] == buf[i + l]) ++l;
          if (l > best) {
            best = l;
            bestSrc = static_cast<size_t>(c);
            if (l == maxLen) break;
          }
          int64_t next = prev[c & 255];
          if (next >= c) break;
          c = next;
        }
        len[i - blockStart] = static_cast<uint8_t>(best);
        src[i - blockStart] = static_cast<uint8_t>(bestSrc & 255);
      }
      insert(i);
    }
    // Cheapest parse of the block, from its end backwards. Any prefix of a match is a match.
    cost.assign(m + 1, 0);
    for (size_t k = m; k-- > 0;) {
      uint32_t c = cost[k + 1] + 9;
      uint8_t choice = 1;
      for (size_t l = kLzssMinMatch; l <= len[k]; ++l) {
        uint32_t r = cost[k + l] + 13;
        if (r <= c) {
          c = r;
          choice = static_cast<uint8_t>(l);
        }
      }
      cost[k] = c;
      len[k] = choice;
    }
    for (size_t k = 0; k < m;) {
      if (len[k] == 1) {
        bw.put(1, 1);
        bw.put(buf[blockStart + k], 8);
        k += 1;
      } else {
        bw.put(0, 1);
        bw.put(src[k], 8);
        bw.put(static_cast<uint32_t>(len[k] - kLzssMinMatch), 4);
        k += len[k];
      }
    }
  }
  return bw.finish();
}

}  // namespace veloria
