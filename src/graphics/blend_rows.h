// Row kernels of the blitter and the effects. Each has a plain version and, where the CPU
// allows, a vector version; both give exactly the MulTable results.
#pragma once

#include <cstdint>

namespace veloria {

struct BlendKernels {
  // dst = M[src][255 - m] + M[dst][m] per byte of 24-bit rows; the mask has one byte a pixel.
  void (*alphaRow)(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int pixels);
  // a = M[255 - m][k]; dst = M[src][a] + M[dst][255 - a] (same layout).
  void (*alphaLevelRow)(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int pixels, int k);
  // dst = M[src][k] + M[dst][255 - k] for `bytes` bytes.
  void (*levelBytes)(uint8_t* dst, const uint8_t* src, int bytes, int k);
  // out = M[old][255 - k] + M[new][k] for the bytes of parity `phase` (0 or 1) in [0, bytes);
  // the other bytes of `out` are left alone. Parity is counted from `out`'s first byte.
  void (*fadeBytes)(uint8_t* out, const uint8_t* oldp, const uint8_t* newp, int bytes, int k, int phase);
  // dst = w + M[dst][m], where w = M[src][255 - m] was worked out beforehand (same layout as
  // alphaRow, the same bytes with one product fewer a byte).
  void (*weightedRow)(uint8_t* dst, const uint8_t* weighted, const uint8_t* mask, int pixels);
};

// The plain versions (also the reference the vector versions are tested against).
const BlendKernels& scalarKernels();
// The vector versions when the CPU has them, else the plain ones.
const BlendKernels& vectorKernels();
// What the blitter uses (vectorKernels unless forced otherwise for tests).
const BlendKernels& activeKernels();

}  // namespace veloria
