// Resource state: archive lookup, plug-in registrations and the loaded plug-in modules.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "resource/archive_index.h"

namespace veloria {

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
