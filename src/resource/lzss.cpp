#include "resource/lzss.h"

#include <cstring>

namespace veloria {

namespace {

constexpr int kLiteralBits = 9;
constexpr int kReferenceBits = 13;

// Decoder state that survives between input chunks. The bit accumulator keeps its `bits`
// valid bits at the top; the bits below them are zero or copies of the next input bits.
struct LzssState {
  uint8_t window[256];
  uint8_t writePos = kLzssWindowStart;
  uint64_t acc = 0;
  int bits = 0;

  LzssState() {
    // Positions past 238 are never read before written by a well-formed stream; spaces there
    // too keep a damaged one deterministic.
    std::memset(window, 0x20, sizeof window);
  }

  // Tops the accumulator up from [in, end) to at least 57 bits while input lasts.
  void refill(const uint8_t*& in, const uint8_t* end) {
    if (end - in >= 8) {
      uint64_t v;
      std::memcpy(&v, in, 8);
      v = __builtin_bswap64(v);
      acc |= v >> bits;
      int take = (63 - bits) >> 3;
      in += take;
      bits += take * 8;
      return;
    }
    while (bits <= 56 && in < end) {
      acc |= static_cast<uint64_t>(*in++) << (56 - bits);
      bits += 8;
    }
  }
};

enum class Stop { inputEnd, outputFull };

// Decodes items while a whole item is available. With `lastChunk` false, stops (keeping its
// state) when fewer than a reference's bits remain, so the caller can append more input.
// With `capped`, `outEnd` is the hard end of the output: a reference that does not fit is
// written in part and decoding stops for good. Otherwise decoding pauses before an item that
// might not fit, so the caller can drain the output and go on.
Stop decodeItems(LzssState& s, const uint8_t*& in, const uint8_t* inEnd, uint8_t*& out,
                 uint8_t* outEnd, bool lastChunk, bool capped) {
  uint8_t* window = s.window;
  uint8_t wp = s.writePos;
  Stop why = Stop::inputEnd;
  for (;;) {
    if (s.bits < kReferenceBits) {
      s.refill(in, inEnd);
      if (s.bits < kReferenceBits) {
        if (!lastChunk) break;
        // Only a literal can still be complete; a cut-off item produces nothing.
        if (s.bits < kLiteralBits || !(s.acc >> 63)) break;
      }
    }
    if (outEnd - out < kLzssMaxMatch && (!capped || out == outEnd)) {
      why = Stop::outputFull;
      break;
    }
    uint64_t acc = s.acc;
    if (acc >> 63) {
      uint8_t b = static_cast<uint8_t>(acc >> 55);
      *out++ = b;
      window[wp++] = b;
      s.acc = acc << kLiteralBits;
      s.bits -= kLiteralBits;
    } else {
      uint8_t p = static_cast<uint8_t>(acc >> 55);
      int n = static_cast<int>((acc >> 51) & 0xF) + kLzssMinMatch;
      s.acc = acc << kReferenceBits;
      s.bits -= kReferenceBits;
      if (outEnd - out < n) n = static_cast<int>(outEnd - out);  // capped output only
      for (int k = 0; k < n; ++k) {
        uint8_t b = window[p++];
        *out++ = b;
        window[wp++] = b;
      }
    }
  }
  s.writePos = wp;
  return why;
}

}  // namespace

uint64_t lzssMaxOutput(uint64_t inLength) {
  return inLength * 8 / kReferenceBits * kLzssMaxMatch + kLzssMaxMatch;
}

size_t decodeLzss(const uint8_t* in, size_t inLength, uint8_t* out, size_t outCapacity) {
  LzssState s;
  uint8_t* o = out;
  decodeItems(s, in, in + inLength, o, out + outCapacity, true, true);
  return static_cast<size_t>(o - out);
}

int64_t decodeLzss(std::FILE* in, uint64_t storedLength, std::FILE* out) {
  LzssState s;
  constexpr size_t kChunk = 1 << 16;
  std::vector<uint8_t> inBuf(kChunk + 16), outBuf(kChunk);
  size_t held = 0;  // unread input bytes at the front of inBuf
  uint64_t left = storedLength;
  int64_t written = 0;
  bool last = false;
  for (;;) {
    if (!last) {
      size_t want = kChunk - held;
      if (want > left) want = static_cast<size_t>(left);
      size_t got = want ? std::fread(inBuf.data() + held, 1, want, in) : 0;
      left -= got;
      held += got;
      last = got < want || left == 0;
    }
    const uint8_t* p = inBuf.data();
    const uint8_t* end = p + held;
    for (;;) {
      uint8_t* o = outBuf.data();
      Stop why = decodeItems(s, p, end, o, outBuf.data() + outBuf.size(), last, false);
      size_t n = static_cast<size_t>(o - outBuf.data());
      if (n && std::fwrite(outBuf.data(), 1, n, out) != n) return -1;
      written += static_cast<int64_t>(n);
      if (why == Stop::inputEnd) break;
    }
    if (last) return written;
    held = static_cast<size_t>(end - p);
    std::memmove(inBuf.data(), p, held);
  }
}

}  // namespace veloria
