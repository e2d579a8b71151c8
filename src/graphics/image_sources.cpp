#include "graphics/image_sources.h"

#include <cstdio>

#include "app/engine.h"
#include "platform/files.h"

namespace veloria {

void noteFileLoaded(Engine&, std::string_view) {}

std::optional<std::vector<uint8_t>> readLooseFile(Engine&, std::string_view fileName, std::string* hostPath) {
  std::optional<std::string> path = fs::resolve(fileName);
  if (!path) return std::nullopt;
  std::optional<std::vector<uint8_t>> data = fs::readHostFile(*path);
  if (data && hostPath) *hostPath = *path;
  return data;
}

bool archivesEnabled(Engine&) { return false; }

ArchiveLookup lookupArchiveMember(Engine&, std::string_view) { return ArchiveLookup::NotFound; }

void decodeArchiveMember(Engine&, std::string_view, Dib& out) { out = Dib{}; }

std::optional<std::string> resolveToTemporaryFile(Engine&, std::string_view) { return std::nullopt; }

void removeTemporaryFile(Engine&, const std::string& hostPath) { std::remove(hostPath.c_str()); }

std::optional<bool> loadThroughImagePlugin(Engine&, const std::string&, const std::string&, const std::string&,
                                           Dib&) {
  return std::nullopt;
}

}  // namespace veloria
