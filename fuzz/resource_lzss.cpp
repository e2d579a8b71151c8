// LZSS streams from arbitrary bytes: the memory decoder never writes past its capacity and
// agrees with the file decoder; and the encoder's output of the same bytes decodes back to
// them exactly.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resource/lzss.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes give the input limit and the output capacity.
  const size_t limit = data[0] * 16u % (size - 1);
  const size_t cap = static_cast<size_t>(data[1]) * 64;
  const uint8_t* in = data + 2;
  const size_t n = size - 2;

  std::vector<uint8_t> capped(cap + 32, 0xA5);
  size_t got = veloria::decodeLzss(in, n, capped.data(), cap);
  if (got > cap) std::abort();
  for (size_t i = cap; i < capped.size(); ++i)
    if (capped[i] != 0xA5) std::abort();

  // Uncapped memory decode equals the file decode with the same input limit.
  const size_t lim = limit < n ? limit : n;
  std::vector<uint8_t> full(static_cast<size_t>(veloria::lzssMaxOutput(lim)));
  full.resize(veloria::decodeLzss(in, lim, full.data(), full.size()));
  if (std::memcmp(full.data(), capped.data(), std::min(got, full.size())) != 0 && lim == n) std::abort();
  // Both streams in memory: a temporary file per input would cost more than the decoding.
  std::FILE* src = fmemopen(const_cast<uint8_t*>(in), n ? n : 1, "rb");
  char* written = nullptr;
  size_t writtenSize = 0;
  std::FILE* dst = open_memstream(&written, &writtenSize);
  if (src && dst) {
    int64_t w = veloria::decodeLzss(src, lim, dst);
    if (w != static_cast<int64_t>(full.size())) std::abort();
    std::fflush(dst);
    if (writtenSize != full.size() || (writtenSize && std::memcmp(written, full.data(), writtenSize) != 0))
      std::abort();
  }
  if (src) std::fclose(src);
  if (dst) std::fclose(dst);
  std::free(written);

  // The encoder's round trip on the first bytes: enough to wrap the 256-byte window, while
  // its optimal parse on longer inputs would take most of the time.
  const size_t m = std::min<size_t>(n, 400);
  std::vector<uint8_t> coded = veloria::encodeLzss(in, m);
  std::vector<uint8_t> round(m + 17);
  round.resize(veloria::decodeLzss(coded.data(), coded.size(), round.data(), round.size()));
  if (round.size() != m || (m && std::memcmp(round.data(), in, m) != 0)) std::abort();
  return 0;
}
