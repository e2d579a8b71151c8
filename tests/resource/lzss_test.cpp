#include <cstdio>

#include "resource/lzss.h"
#include "resource_test_util.h"

namespace veloria::test {
namespace {

// A plain decoder written straight from the rules, one bit at a time; positions 239-255 of
// its window start as `preset239`.
Bytes referenceDecode(const Bytes& in, size_t limit, uint8_t preset239 = 0x20) {
  uint8_t win[256];
  for (int i = 0; i < 256; ++i) win[i] = i < 239 ? 0x20 : preset239;
  uint8_t w = 239;
  size_t fetched = 0, bitPos = 8;
  uint8_t cur = 0;
  auto bit = [&](int& b) {
    if (bitPos == 8) {
      if (fetched >= limit || fetched >= in.size()) return false;
      cur = in[fetched++];
      bitPos = 0;
    }
    b = (cur >> (7 - bitPos++)) & 1;
    return true;
  };
  auto bitsN = [&](int n, int& v) {
    v = 0;
    for (int i = 0; i < n; ++i) {
      int b;
      if (!bit(b)) return false;
      v = v << 1 | b;
    }
    return true;
  };
  Bytes out;
  for (;;) {
    int flag, a, n;
    if (!bit(flag)) break;
    if (flag) {
      if (!bitsN(8, a)) break;
      out.push_back(static_cast<uint8_t>(a));
      win[w++] = static_cast<uint8_t>(a);
    } else {
      if (!bitsN(8, a) || !bitsN(4, n)) break;
      for (int k = 0; k < n + 2; ++k) {
        uint8_t b = win[static_cast<uint8_t>(a + k)];
        out.push_back(b);
        win[w++] = b;
      }
    }
  }
  return out;
}

Bytes decode(const Bytes& in, size_t limit, size_t cap = 1 << 20) {
  Bytes out(cap);
  out.resize(decodeLzss(in.data(), std::min(limit, in.size()), out.data(), out.size()));
  return out;
}

Bytes decodeThroughFiles(const Bytes& in, uint64_t storedLength) {
  std::FILE* src = std::tmpfile();
  std::FILE* dst = std::tmpfile();
  std::fwrite("junk", 1, 4, src);  // the member starts after other data
  if (!in.empty()) std::fwrite(in.data(), 1, in.size(), src);
  std::fseek(src, 4, SEEK_SET);
  int64_t n = decodeLzss(src, storedLength, dst);
  Bytes out(static_cast<size_t>(std::max<int64_t>(n, 0)));
  std::rewind(dst);
  if (!out.empty()) out.resize(std::fread(out.data(), 1, out.size(), dst));
  std::fclose(src);
  std::fclose(dst);
  return out;
}

TEST(LzssDecode, KnownStreams) {
  // A reference to position 0 with n = 2 gives spaces; the spare bits start a cut-off item.
  EXPECT_EQ(decode({0x00, 0x10}, 2), bytesOf("    "));
  Bytes abc = {0xB0, 0xD8, 0xAC, 0x6E, 0xF1};
  EXPECT_EQ(decode(abc, 5), bytesOf("abcabc"));
  EXPECT_EQ(decode(abc, 4), bytesOf("abc"));  // the input limit cuts the reference off
  EXPECT_EQ(decodeThroughFiles(abc, 5), bytesOf("abcabc"));
  EXPECT_EQ(decodeThroughFiles(abc, 4), bytesOf("abc"));
  EXPECT_EQ(decodeThroughFiles(abc, 100), bytesOf("abcabc"));  // end of file ends it too
  EXPECT_TRUE(decode({}, 0).empty());
}

TEST(LzssDecode, ReferenceLengthsAndOverlap) {
  // n = 15 copies 17 bytes, n = 0 copies 2 (both from the preset spaces).
  EXPECT_EQ(decode(bitString("0" + bitsOf(10, 8) + bitsOf(15, 4)), 2), Bytes(17, ' '));
  EXPECT_EQ(decode(bitString("0" + bitsOf(10, 8) + bitsOf(0, 4)), 2), Bytes(2, ' '));
  // 'x' at position 239, then a reference to 239 with n = 3: each byte is taken after the
  // previous one was written, so the copy repeats the x.
  Bytes s = bitString("1" + bitsOf('x', 8) + "0" + bitsOf(239, 8) + bitsOf(3, 4));
  EXPECT_EQ(decode(s, s.size()), bytesOf("xxxxxx"));
  // The window wraps: 20 literals, then a reference across positions 255 -> 0.
  std::string bits;
  for (int i = 0; i < 20; ++i) bits += "1" + bitsOf('A' + i, 8);
  bits += "0" + bitsOf(254, 8) + bitsOf(2, 4);  // 254, 255, 0, 1 -> P, Q, R, S
  EXPECT_EQ(decode(bitString(bits), 100), bytesOf("ABCDEFGHIJKLMNOPQRSTPQRS"));
}

TEST(LzssDecode, MemoryOutputNeverPassesItsCapacity) {
  Bytes s = bitString("0" + bitsOf(0, 8) + bitsOf(15, 4) + "1" + bitsOf('z', 8));
  for (size_t cap : {0, 1, 5, 16, 17, 18, 30}) {
    Bytes out(cap + 8, 0xEE);
    size_t n = decodeLzss(s.data(), s.size(), out.data(), cap);
    EXPECT_EQ(n, std::min<size_t>(cap, 18));
    for (size_t i = cap; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << "cap " << cap;
    if (cap >= 18) {
      EXPECT_EQ(out[17], 'z');
    }
  }
}

TEST(LzssDecode, AgreesWithPlainDecoderOnArbitraryStreams) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    Bytes in(rng() % 400);
    for (auto& b : in) b = static_cast<uint8_t>(rng());
    size_t limit = in.empty() ? 0 : rng() % (in.size() + 3);
    Bytes expected = referenceDecode(in, limit);
    EXPECT_EQ(decode(in, limit, 8192), expected) << "round " << round;
    EXPECT_EQ(decodeThroughFiles(in, limit), expected) << "round " << round;
  }
  // Long streams cross the file decoder's input and output chunks.
  Bytes big(300000);
  for (auto& b : big) b = static_cast<uint8_t>(rng());
  Bytes expected = referenceDecode(big, big.size());
  EXPECT_EQ(decodeThroughFiles(big, big.size()), expected);
  EXPECT_LE(expected.size(), lzssMaxOutput(big.size()));
}

TEST(LzssEncode, RoundTripsExactly) {
  std::vector<Bytes> inputs = {{}, bytesOf("a"), bytesOf("  "), Bytes(5000, ' '), Bytes(70000, 0),
                               sampleData(1 << 20, 1), sampleData(3000, 2)};
  Bytes noise(200000);
  std::mt19937 rng(3);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  inputs.push_back(noise);
  for (const Bytes& in : inputs) {
    Bytes coded = encodeLzss(in.data(), in.size());
    EXPECT_EQ(decode(coded, coded.size(), in.size() + 64), in) << "size " << in.size();
    // The stream never reads window positions 239-255 before writing them.
    EXPECT_EQ(referenceDecode(coded, coded.size(), 0xAA), in) << "size " << in.size();
    EXPECT_EQ(decodeThroughFiles(coded, coded.size()), in) << "size " << in.size();
  }
}

TEST(LzssEncode, CompressesRepetitiveData) {
  Bytes text = sampleData(100000, 9);
  Bytes coded = encodeLzss(text.data(), text.size());
  EXPECT_LT(coded.size(), text.size() * 7 / 10);
  Bytes spaces(1700, ' ');  // 100 references of 17 bytes: 1300 bits
  EXPECT_EQ(encodeLzss(spaces.data(), spaces.size()).size(), 163u);
}

}  // namespace
}  // namespace veloria::test
