// Archive lookup. Each archive's table is read once into a hash index and read again only
// when the file's size or modification time changes; lookups give exactly what a
// front-to-back scan of the tables gives (first matching entry, the fixed archive order, the
// first missing archive or damaged table ending the search).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "resource/archive_format.h"

namespace veloria {

struct ArchiveIndex {
  struct Entry {
    uint8_t kind;
    uint32_t offset, storedLength, decodedLength;
  };
  bool valid = false;  // built for the file identified below
  std::string hostPath;
  uint64_t size = 0;
  int64_t mtimeNs = 0;
  uint32_t dataOffset = 0;
  bool damaged = false;  // the table ends early: no later archive is searched
  std::unordered_map<std::string, Entry> entries;  // first entry of each name
};

struct ArchiveIndexCache {
  std::string gameDirectory;  // the indexes belong to the archives of this directory
  std::array<ArchiveIndex, kArchiveFileCount> archives;
};

// The indexed lookup of a game path (Shift-JIS, '/' or '\', any case) in the game directory's
// archives.
std::optional<ArchiveHit> findInArchivesIndexed(ArchiveIndexCache& cache, std::string_view name);
// The same lookup by reading every table byte by byte; kept as the reference the index is
// checked against.
std::optional<ArchiveHit> findInArchivesByScan(std::string_view name);

}  // namespace veloria
