// The LZSS code of archive members (kind 2): a 256-byte ring window, 1 flag bit per item,
// literals of 8 bits and references of 8 + 4 bits copying 2 to 17 bytes. Bits are taken most
// significant first; there is no end marker, the input length ends the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace veloria {

inline constexpr int kLzssWindowStart = 0xEF;  // first write position of every member
inline constexpr int kLzssMinMatch = 2;
inline constexpr int kLzssMaxMatch = 17;

// Most bytes `inLength` coded bytes can decode to (every item a 17-byte reference).
uint64_t lzssMaxOutput(uint64_t inLength);

// Decodes `in` (the member's stored bytes: no more than the stored length) into `out`,
// writing at most `outCapacity` bytes. Returns the number of bytes produced.
size_t decodeLzss(const uint8_t* in, size_t inLength, uint8_t* out, size_t outCapacity);

// Decodes from the current position of `in` (at most `storedLength` bytes, fewer at end of
// file) and writes everything produced to `out`. Returns the bytes written, or -1 when
// writing failed.
int64_t decodeLzss(std::FILE* in, uint64_t storedLength, std::FILE* out);

// Encodes `data` so that the decoder above gives it back exactly. The parse is optimal for
// this code's item costs (9 bits a literal, 13 a reference).
std::vector<uint8_t> encodeLzss(const uint8_t* data, size_t size);

}  // namespace veloria
