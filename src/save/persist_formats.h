// The formats of gloval.sav, envdata and the two logs, apart from where the values come from
// (the fuzz target and the tests use them directly).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veloria {

inline constexpr int kGlobalVariableCount = 3896;  // variables 200..4095
// The key the log entries are combined with (the scrambled script's key as well).
inline constexpr uint8_t kLogKey = 0xC3;
inline constexpr size_t kMaxLogEntryBytes = 511;
// Longest font face name or CD drive name kept from envdata.
inline constexpr size_t kMaxSettingBytes = 255;

// Limits no real file of each kind reaches (a larger one is damaged and is not read):
// gloval.sav holds at most 10000 variables of 4100 bytes (41 MB, when the later dialect's
// variables are all in use), a log 4000 entries of 513, envdata two short names; the read
// marks are one bit per script byte, so 4 MiB covers a 32 MiB script.
inline constexpr uint64_t kMaxGlobalsFileBytes = 64u << 20;
inline constexpr uint64_t kMaxLogFileBytes = 32u << 20;
inline constexpr uint64_t kMaxEnvironmentFileBytes = 64u << 10;
inline constexpr uint64_t kMaxReadMarksFileBytes = 4u << 20;

struct GlobalVariables {
  std::array<int32_t, kGlobalVariableCount> numVars{};
  std::array<std::string, kGlobalVariableCount> strVars;
};
// A short file leaves the rest 0 and empty; a string longer than a variable holds is cut at
// a character boundary.
void decodeGlobals(const uint8_t* data, size_t size, GlobalVariables& out);
void encodeGlobals(const GlobalVariables& g, std::vector<uint8_t>& out);

// The extended layout of gloval.sav: the save marker, the version, the border B, then the
// variables B..9999 in the same per-index form.
struct ExtendedGlobals {
  int32_t border = 200;
  std::vector<int32_t> numVars;  // [0] is variable `border`
  std::vector<std::string> strVars;
};
bool hasExtendedMarker(const uint8_t* data, size_t size);
// False when the file is not whole or not ours (a bad version or border, items missing or
// following the last one): nothing of it may be used.
bool decodeExtendedGlobals(const uint8_t* data, size_t size, ExtendedGlobals& out);
void encodeExtendedGlobals(const ExtendedGlobals& g, std::vector<uint8_t>& out);

struct Environment {
  int32_t fullScreen = 0;
  int32_t waveOn = 0;
  int32_t textSpeed = 0;
  int32_t pageOnly = 0;
  std::string faceName;
  int32_t cdEnabled = 0;
  std::string cdDrive;
};
Environment decodeEnvironment(const uint8_t* data, size_t size);
void encodeEnvironment(const Environment& env, std::vector<uint8_t>& out);

// "%d\n", then each entry between double quotes with its bytes combined with kLogKey, up to
// the first byte that becomes 0. At most 4000 entries of at most 511 bytes are read; an
// entry that is malformed (no opening quote, cut off by the end) is left out.
std::vector<std::string> decodeLog(const uint8_t* data, size_t size);
void encodeLog(const std::vector<std::string>& entries, std::vector<uint8_t>& out);

}  // namespace veloria
