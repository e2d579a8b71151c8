// The pictures the resource layer hands loadImage: members of the engine's own archives and
// what image plug-ins deliver, decoded into a Dib.
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

// Decodes a found picture member (delta-coded, or an LZSS-packed BMP) into `out`; an
// unreadable member leaves `out` without a picture. A stored (uncompressed) member ends the
// run: pictures in archives must be packed.
void decodeArchiveMember(Engine& e, const ArchiveHit& hit, Dib& out);
// nullopt when no image plug-in is registered for `ext`; else whether it gave a picture.
std::optional<bool> loadThroughImagePlugin(Engine& e, const std::string& ext, const std::string& hostPath, Dib& out);

}  // namespace veloria
