// The game library file, from arbitrary bytes: the reader gives a list or nothing, and a
// list it accepts is written back and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/game_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;  // larger inputs only repeat what smaller ones reach
  auto games = veloria::parseLibrary(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!games) return 0;
  if (games->size() > veloria::kMaxLibraryGames) std::abort();
  auto again = veloria::parseLibrary(veloria::formatLibrary(*games));
  if (!again || again->size() != games->size()) std::abort();
  for (size_t i = 0; i < games->size(); ++i) {
    const auto& a = (*games)[i];
    const auto& b = (*again)[i];
    if (a.caption != b.caption || a.folder != b.folder || a.lastPlayed != b.lastPlayed) std::abort();
  }
  return 0;
}
