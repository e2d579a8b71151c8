// Archive lookup. Each archive's table is read once into a hash index and read again only
// when the file's size or modification time changes; lookups give exactly what a
// front-to-back scan of the tables gives (first matching entry, the fixed archive order, the
// first missing archive or damaged table ending the search).
#pragma once

#include <optional>
#include <string_view>

#include "engine/resource_state.h"
#include "resource/archive_format.h"

namespace veloria {

// The index cache lives in ResourceState, one slot per archive file.
static_assert(kArchiveIndexSlots == kArchiveFileCount);

// The indexed lookup of a game path (Shift-JIS, '/' or '\', any case) in the game directory's
// archives.
std::optional<ArchiveHit> findInArchivesIndexed(ArchiveIndexCache& cache, std::string_view name);
// The same lookup by reading every table byte by byte; kept as the reference the index is
// checked against.
std::optional<ArchiveHit> findInArchivesByScan(std::string_view name);

}  // namespace veloria
