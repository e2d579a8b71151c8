// The archive tool's operations, kept apart from its command line so the tests can drive
// them. Every failure throws ToolError with a message for the author.
#pragma once

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace veloria::arc {

struct ToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// ---- reading ----

struct Member {
  std::string name;  // as stored (Shift-JIS, '\' separators)
  uint8_t kind = 0;
  uint64_t position = 0;  // absolute position of the data
  uint32_t storedLength = 0;
  uint32_t decodedLength = 0;
};

// "stored", "delta", "lzss" or "unknown".
const char* kindName(uint8_t kind);

// The members of an archive in table order. Throws when the file cannot be read or its
// table is damaged.
std::vector<Member> readMembers(const std::string& archivePath);

// The member's file contents: stored and LZSS members as they decode, delta-coded pictures
// as a 24-bit BMP file.
std::vector<uint8_t> memberContents(const std::string& archivePath, const Member& m);

// Writes members (all when `names` is empty; names match as the engine's lookup does) below
// `outDir`, creating directories. Returns the number written.
size_t extractArchive(const std::string& archivePath, const std::vector<std::string>& names,
                      const std::string& outDir, std::ostream* progress);

// ---- writing ----

struct PackStats {
  size_t files = 0;
  size_t stored = 0, lzss = 0, delta = 0;  // members of each kind
  uint64_t inputBytes = 0;
  uint64_t archiveBytes = 0;
};

// Packs every regular file below `dir` into a new archive at `outPath`. Names are the
// paths relative to `dir` in Shift-JIS with '\' separators and ASCII capitals made small.
// 24-bit BMPs are delta-coded, other BMPs LZSS-coded; other files are LZSS-coded unless that
// does not make them smaller, when they are stored. The archive is written to a temporary
// file first, so a failed pack leaves no half-written archive behind.
PackStats packDirectory(const std::string& dir, const std::string& outPath, std::ostream* progress);

// ---- scripts ----

enum class ScriptForm { veloriaDat, veloSecDat };

// Joins 0.txt .. 99.txt of `dir` exactly as the engine loads numbered files (CR LF read as
// LF, 0x1A ends a file, a line feed after each file) and writes the scrambled single-file
// form. Returns the number of script files used.
size_t writeScrambledScript(const std::string& dir, const std::string& outPath, ScriptForm form,
                            std::ostream* progress);

// ---- pictures (bmp_image.cpp) ----

// A 24-bit picture in bottom-up rows padded to 4 bytes.
struct Picture24 {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;
};
// The picture of a 24-bit uncompressed BMP file that the delta code can hold (sides 1..65535,
// bottom-up or top-down rows); false for anything else.
bool readBmp24(const std::vector<uint8_t>& file, Picture24& out);
std::vector<uint8_t> writeBmp24(const Picture24& pic);

}  // namespace veloria::arc
