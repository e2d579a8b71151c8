// Resource state: archive lookup, plug-in registrations and the loaded plug-in modules.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace veloria {

// Each archive's table, read once into a hash index (resource/archive_index.h looks names up
// in it); arc.vla, arc1.vla .. arc9.vla.
inline constexpr int kArchiveIndexSlots = 10;

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
  std::array<ArchiveIndex, kArchiveIndexSlots> archives;
};

// Loaded plug-in libraries, by the name the script wrote (compared exactly). Filled from the
// front and never unloaded; shared by archive, image and sound-press plug-ins and the MP3
// decoder library.
struct PluginModuleCache {
  static constexpr int kSlots = 256;
  struct Slot {
    std::string name;
    void* module = nullptr;
  };
  std::array<Slot, kSlots> slots;
  int used = 0;
};

inline constexpr size_t kPluginSettingsMax = 50;

struct ResourceState {
  int32_t noLoadError = 0;      // set by noloaderror, never cleared
  int32_t archivesEnabled = 0;  // set by vla, never cleared
  // Settings as registered, lower-cased: "archive|plugin", "plugin|ext", "plugin|ext".
  std::vector<std::string> archivePlugins;
  std::vector<std::string> imagePlugins;
  std::vector<std::string> soundPressPlugins;
  PluginModuleCache modules;
  ArchiveIndexCache archiveIndex;
};

}  // namespace veloria
