#include "graphics/blend_rows.h"

#include <cstring>

#include "graphics/image.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VELORIA_X86 1
#endif

namespace veloria {

namespace {

void alphaRowScalar(uint8_t* d, const uint8_t* s, const uint8_t* m, int n) {
  for (int i = 0; i < n; ++i, d += 3, s += 3, ++m) {
    unsigned mv = m[0], inv = 255 - mv;
    d[0] = static_cast<uint8_t>(mul255(s[0], inv) + mul255(d[0], mv));
    d[1] = static_cast<uint8_t>(mul255(s[1], inv) + mul255(d[1], mv));
    d[2] = static_cast<uint8_t>(mul255(s[2], inv) + mul255(d[2], mv));
  }
}

void weightedRowScalar(uint8_t* d, const uint8_t* w, const uint8_t* m, int n) {
  for (int i = 0; i < n; ++i, d += 3, w += 3, ++m) {
    const unsigned mv = m[0];
    d[0] = static_cast<uint8_t>(w[0] + mul255(d[0], mv));
    d[1] = static_cast<uint8_t>(w[1] + mul255(d[1], mv));
    d[2] = static_cast<uint8_t>(w[2] + mul255(d[2], mv));
  }
}

void alphaLevelRowScalar(uint8_t* d, const uint8_t* s, const uint8_t* m, int n, int k) {
  for (int i = 0; i < n; ++i, d += 3, s += 3, ++m) {
    unsigned a = mul255(255 - m[0], static_cast<unsigned>(k)), ia = 255 - a;
    d[0] = static_cast<uint8_t>(mul255(s[0], a) + mul255(d[0], ia));
    d[1] = static_cast<uint8_t>(mul255(s[1], a) + mul255(d[1], ia));
    d[2] = static_cast<uint8_t>(mul255(s[2], a) + mul255(d[2], ia));
  }
}

void levelBytesScalar(uint8_t* d, const uint8_t* s, int n, int k) {
  const uint8_t* sk = &MulTable[static_cast<size_t>(k)];  // column k: sk[a << 8]
  unsigned ik = 255 - static_cast<unsigned>(k);
  for (int i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(sk[s[i] << 8] + mul255(d[i], ik));
}

void fadeBytesScalar(uint8_t* out, const uint8_t* o, const uint8_t* nw, int n, int k, int phase) {
  unsigned ik = 255 - static_cast<unsigned>(k);
  for (int i = phase; i < n; i += 2) out[i] = static_cast<uint8_t>(mul255(o[i], ik) + mul255(nw[i], static_cast<unsigned>(k)));
}

#ifdef VELORIA_X86
// floor(x / 255) for every 16-bit x: (x * 0x8081) >> 23.
__attribute__((target("avx2"))) inline __m256i div255(__m256i x) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<short>(0x8081))), 7);
}

__attribute__((target("avx2"))) inline __m128i pack16(__m256i r) {
  __m256i p = _mm256_packus_epi16(r, r);
  return _mm256_castsi256_si128(_mm256_permute4x64_epi64(p, 0x08));
}

// For the three 16-byte pieces of a 16-pixel group: the shuffle that spreads each pixel's
// mask byte over its three colour bytes.
struct MaskShuffles {
  alignas(16) int8_t idx[3][16];
  MaskShuffles() {
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 16; ++i) idx[j][i] = static_cast<int8_t>((16 * j + i) / 3);
  }
};
const MaskShuffles kShuf;

__attribute__((target("avx2"))) inline __m128i maskPiece(__m128i m, int j) {
  return _mm_shuffle_epi8(m, _mm_load_si128(reinterpret_cast<const __m128i*>(kShuf.idx[j])));
}

// One group of 16 pixels (48 bytes) of the alpha blend.
__attribute__((target("avx2"))) inline void alphaGroup(uint8_t* d, const uint8_t* s, const uint8_t* m) {
  const __m256i k255 = _mm256_set1_epi16(255);
  const __m128i mm = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m));
  const __m128i ones = _mm_set1_epi8(-1);
  if (_mm_testz_si128(mm, mm)) {
    std::memcpy(d, s, 48);
    return;
  }
  if (_mm_testc_si128(mm, ones)) return;
  for (int j = 0; j < 3; ++j) {
    const __m128i mp = maskPiece(mm, j);
    __m256i m16 = _mm256_cvtepu8_epi16(mp);
    __m256i s16 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * j)));
    __m256i d16 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 16 * j)));
    __m256i a = div255(_mm256_mullo_epi16(s16, _mm256_sub_epi16(k255, m16)));
    __m256i b = div255(_mm256_mullo_epi16(d16, m16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16 * j), pack16(_mm256_add_epi16(a, b)));
  }
}

// Runs a 16-pixel group kernel over a row, touching nothing outside it and blending every
// pixel exactly once. A row of 16 pixels or more ends with a group that overlaps the one
// before: it is blended first, from the untouched target, and stored last. Shorter rows go
// through small buffers.
template <typename Group>
__attribute__((target("avx2"))) inline void groupsOverRow(uint8_t* d, const uint8_t* s, const uint8_t* m, int n,
                                                          Group group) {
  if (n > 16 && n % 16 != 0) {
    const size_t last = static_cast<size_t>(n - 16);
    alignas(32) uint8_t tail[48];
    std::memcpy(tail, d + last * 3, 48);
    group(tail, s + last * 3, m + last);
    for (int i = 0; i + 16 <= n; i += 16) group(d + 3 * i, s + 3 * i, m + i);
    std::memcpy(d + last * 3, tail, 48);
    return;
  }
  int i = 0;
  for (; i + 16 <= n; i += 16, d += 48, s += 48, m += 16) group(d, s, m);
  const int rest = n - i;
  if (rest <= 0) return;
  alignas(32) uint8_t bd[48] = {}, bs[48] = {}, bm[16] = {};
  const size_t bytes = static_cast<size_t>(rest) * 3;
  std::memcpy(bd, d, bytes);
  std::memcpy(bs, s, bytes);
  std::memcpy(bm, m, static_cast<size_t>(rest));
  group(bd, bs, bm);
  std::memcpy(d, bd, bytes);
}

struct AlphaGroup {
  __attribute__((target("avx2"))) void operator()(uint8_t* d, const uint8_t* s, const uint8_t* m) const {
    alphaGroup(d, s, m);
  }
};

struct AlphaLevelGroup {
  int k;
  __attribute__((target("avx2"))) void operator()(uint8_t* dd, const uint8_t* ss, const uint8_t* mm) const {
    const __m256i k255 = _mm256_set1_epi16(255);
    const __m256i kk = _mm256_set1_epi16(static_cast<short>(k));
    const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mm));
    for (int j = 0; j < 3; ++j) {
      __m256i m16 = _mm256_cvtepu8_epi16(maskPiece(m, j));
      __m256i a = div255(_mm256_mullo_epi16(_mm256_sub_epi16(k255, m16), kk));
      __m256i s16 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(ss + 16 * j)));
      __m256i d16 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dd + 16 * j)));
      __m256i x = div255(_mm256_mullo_epi16(s16, a));
      __m256i y = div255(_mm256_mullo_epi16(d16, _mm256_sub_epi16(k255, a)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dd + 16 * j), pack16(_mm256_add_epi16(x, y)));
    }
  }
};

// The weighted blend keeps bytes in their places: each 16-byte lane is widened, multiplied by
// its pixels' mask bytes and packed back in the same lane, so no byte crosses a lane.
// kWeightedShuf[r] spreads the mask bytes over the colour bytes of the r-th 32 bytes of a
// 32-pixel group, from a register whose lanes hold mask bytes 0..15 or 16..31 as given below.
struct WeightedShuffles {
  alignas(32) int8_t idx[3][32];
  WeightedShuffles() {
    // Register r, lane l, takes its mask bytes from the mask's low half (base 0) or high half
    // (base 16): r0 both lanes low, r1 low then high, r2 both high.
    const int base[3][2] = {{0, 0}, {0, 16}, {16, 16}};
    for (int r = 0; r < 3; ++r)
      for (int l = 0; l < 2; ++l)
        for (int b = 0; b < 16; ++b) idx[r][16 * l + b] = static_cast<int8_t>((32 * r + 16 * l + b) / 3 - base[r][l]);
  }
};
const WeightedShuffles kWShuf;

__attribute__((target("avx2"))) inline __m256i weightedBytes(__m256i dv, __m256i wv, __m256i mv) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = div255(_mm256_mullo_epi16(_mm256_unpacklo_epi8(dv, zero), _mm256_unpacklo_epi8(mv, zero)));
  const __m256i hi = div255(_mm256_mullo_epi16(_mm256_unpackhi_epi8(dv, zero), _mm256_unpackhi_epi8(mv, zero)));
  // w + M[d][m] never passes 255, so a byte add cannot wrap.
  return _mm256_add_epi8(_mm256_packus_epi16(lo, hi), wv);
}

// 32 pixels (96 bytes).
__attribute__((target("avx2"))) inline void weightedGroup32(uint8_t* d, const uint8_t* w, const uint8_t* m) {
  const __m256i mm = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m));
  if (_mm256_testz_si256(mm, mm)) {
    std::memcpy(d, w, 96);
    return;
  }
  if (_mm256_testc_si256(mm, _mm256_set1_epi8(-1))) return;
  const __m256i halves[3] = {_mm256_permute2x128_si256(mm, mm, 0x00), mm, _mm256_permute2x128_si256(mm, mm, 0x11)};
  for (int r = 0; r < 3; ++r) {
    const __m256i mv = _mm256_shuffle_epi8(halves[r], _mm256_load_si256(reinterpret_cast<const __m256i*>(kWShuf.idx[r])));
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 32 * r));
    const __m256i wv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 32 * r));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 32 * r), weightedBytes(dv, wv, mv));
  }
}

// 16 pixels (48 bytes): the first 32 bytes as above, the last 16 in one lane.
__attribute__((target("avx2"))) inline void weightedGroup16(uint8_t* d, const uint8_t* w, const uint8_t* m) {
  const __m128i m16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m));
  if (_mm_testz_si128(m16, m16)) {
    std::memcpy(d, w, 48);
    return;
  }
  if (_mm_testc_si128(m16, _mm_set1_epi8(-1))) return;
  const __m256i both = _mm256_broadcastsi128_si256(m16);
  const __m256i mv0 = _mm256_shuffle_epi8(both, _mm256_load_si256(reinterpret_cast<const __m256i*>(kWShuf.idx[0])));
  const __m256i dv0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
  const __m256i wv0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), weightedBytes(dv0, wv0, mv0));
  // Bytes 32..47 belong to pixels 10..15: the low lane of register 1's pattern.
  const __m256i mv1 = _mm256_shuffle_epi8(both, _mm256_load_si256(reinterpret_cast<const __m256i*>(kWShuf.idx[1])));
  const __m256i dv1 = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 32)));
  const __m256i wv1 = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 32)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), _mm256_castsi256_si128(weightedBytes(dv1, wv1, mv1)));
}

struct WeightedGroup {
  __attribute__((target("avx2"))) void operator()(uint8_t* d, const uint8_t* w, const uint8_t* m) const {
    weightedGroup16(d, w, m);
  }
};

// Whole 32-pixel groups, then a 16-pixel one; the last few pixels as in groupsOverRow.
__attribute__((target("avx2"))) void weightedRowAvx2(uint8_t* d, const uint8_t* w, const uint8_t* m, int n) {
  if (n < 16 || n % 16 != 0) {
    if (n <= 16) {
      groupsOverRow(d, w, m, n, WeightedGroup{});
      return;
    }
    // The last 16 pixels first, from the untouched target; stored after the rest.
    const size_t last = static_cast<size_t>(n - 16);
    alignas(32) uint8_t tail[48];
    std::memcpy(tail, d + last * 3, 48);
    weightedGroup16(tail, w + last * 3, m + last);
    weightedRowAvx2(d, w, m, n & ~15);
    std::memcpy(d + last * 3, tail, 48);
    return;
  }
  int i = 0;
  for (; i + 32 <= n; i += 32) weightedGroup32(d + 3 * i, w + 3 * i, m + i);
  if (i < n) weightedGroup16(d + 3 * i, w + 3 * i, m + i);
}

__attribute__((target("avx2"))) void alphaRowAvx2(uint8_t* d, const uint8_t* s, const uint8_t* m, int n) {
  groupsOverRow(d, s, m, n, AlphaGroup{});
}

__attribute__((target("avx2"))) void alphaLevelRowAvx2(uint8_t* d, const uint8_t* s, const uint8_t* m, int n, int k) {
  groupsOverRow(d, s, m, n, AlphaLevelGroup{k});
}

__attribute__((target("avx2"))) void levelBytesAvx2(uint8_t* d, const uint8_t* s, int n, int k) {
  const __m256i kk = _mm256_set1_epi16(static_cast<short>(k));
  const __m256i ik = _mm256_set1_epi16(static_cast<short>(255 - k));
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    __m256i s16 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
    __m256i d16 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i)));
    __m256i r = _mm256_add_epi16(div255(_mm256_mullo_epi16(s16, kk)), div255(_mm256_mullo_epi16(d16, ik)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), pack16(r));
  }
  levelBytesScalar(d + i, s + i, n - i, k);
}

__attribute__((target("avx2"))) void fadeBytesAvx2(uint8_t* out, const uint8_t* o, const uint8_t* nw, int n, int k,
                                                   int phase) {
  const __m256i kk = _mm256_set1_epi16(static_cast<short>(k));
  const __m256i ik = _mm256_set1_epi16(static_cast<short>(255 - k));
  // Byte lanes of the wanted parity are taken from the blend, the others kept.
  const __m256i select = phase == 0 ? _mm256_set1_epi16(0x00FF) : _mm256_set1_epi16(static_cast<short>(0xFF00));
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i ov = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(o + i));
    __m256i nv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(nw + i));
    __m256i cur = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
    // Take the bytes of one parity as 16-bit lanes.
    __m256i o16, n16;
    if (phase == 0) {
      o16 = _mm256_and_si256(ov, _mm256_set1_epi16(0x00FF));
      n16 = _mm256_and_si256(nv, _mm256_set1_epi16(0x00FF));
    } else {
      o16 = _mm256_srli_epi16(ov, 8);
      n16 = _mm256_srli_epi16(nv, 8);
    }
    __m256i r = _mm256_add_epi16(div255(_mm256_mullo_epi16(o16, ik)), div255(_mm256_mullo_epi16(n16, kk)));
    if (phase == 1) r = _mm256_slli_epi16(r, 8);
    __m256i res = _mm256_or_si256(_mm256_and_si256(r, select), _mm256_andnot_si256(select, cur));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), res);
  }
  fadeBytesScalar(out + i, o + i, nw + i, n - i, k, phase);
}
#endif

const BlendKernels kScalar{alphaRowScalar, alphaLevelRowScalar, levelBytesScalar, fadeBytesScalar, weightedRowScalar};

#ifdef VELORIA_X86
const BlendKernels kAvx2{alphaRowAvx2, alphaLevelRowAvx2, levelBytesAvx2, fadeBytesAvx2, weightedRowAvx2};
bool haveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}
#endif

}  // namespace

const BlendKernels& scalarKernels() { return kScalar; }

const BlendKernels& vectorKernels() {
#ifdef VELORIA_X86
  if (haveAvx2()) return kAvx2;
#endif
  return kScalar;
}

const BlendKernels& activeKernels() {
  static const BlendKernels& k = vectorKernels();
  return k;
}

}  // namespace veloria
