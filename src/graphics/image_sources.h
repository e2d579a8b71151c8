// Where loadImage finds its files: loose files, archives, the resource layer's extraction and
// image plug-ins, and the file log. Kept in one place so loading itself reads as its steps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/image.h"
#include "resource/archive_format.h"

namespace veloria {

struct Engine;

// Appends the name to the file log when file logging is on.
void noteFileLoaded(Engine& e, std::string_view fileName);
// The bytes of a loose game file, and its host path; nullopt when there is none.
std::optional<std::vector<uint8_t>> readLooseFile(Engine& e, std::string_view fileName, std::string* hostPath);
bool archivesEnabled(Engine& e);
std::optional<ArchiveHit> lookupArchiveMember(Engine& e, std::string_view fileName);
// Decodes a found picture member (delta-coded, or an LZSS-packed BMP) into `out`; an
// unreadable member leaves `out` without a picture. A stored (uncompressed) member ends the
// run: pictures in archives must be packed.
void decodeArchiveMember(Engine& e, const ArchiveHit& hit, Dib& out);
// The resource layer's fallback (archives, archive plug-ins): a temporary host file.
std::optional<std::string> resolveToTemporaryFile(Engine& e, std::string_view fileName);
void removeTemporaryFile(Engine& e, const std::string& hostPath);
// nullopt when no image plug-in is registered for `ext`; else whether it gave a picture.
std::optional<bool> loadThroughImagePlugin(Engine& e, const std::string& ext, const std::string& hostPath, Dib& out);

}  // namespace veloria
