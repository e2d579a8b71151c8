// Save files from arbitrary bytes: decoding must stay inside the input and either refuse it
// or give values the engine can hold; what it accepts must encode and decode to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "save/save_items.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The script length a position is checked against comes from the first byte, so both
  // sides of the check are reached.
  const uint32_t scriptLength = size > 0 ? uint32_t{data[0]} * 97 : 0;
  auto s = std::make_unique<veloria::SaveSnapshot>();
  if (!veloria::decodeSnapshot(data, size, scriptLength, *s)) return 0;
  if (s->scriptPos < 0 || static_cast<uint32_t>(s->scriptPos) > scriptLength) std::abort();
  if (s->callDepth < 0 || s->callDepth > veloria::kSavedCallStack) std::abort();
  if (s->menuSpeedIndex < 0 || s->menuSpeedIndex > 2) std::abort();
  if (s->extended) {
    if (s->frameCount != s->callDepth) std::abort();
    for (int32_t i = 0; i < s->frameCount; ++i)
      if (s->frames[static_cast<size_t>(i)].kind < 0 || s->frames[static_cast<size_t>(i)].kind > 2) std::abort();
    if (s->moreNumVars.size() != static_cast<size_t>(s->moreVariables)) std::abort();
    for (const auto& sp : s->enhancedSprites)
      if (sp.opacity < 0 || sp.opacity > 255 || sp.visible < 0 || sp.visible > 1) std::abort();
  }
  std::vector<uint8_t> again;
  veloria::encodeSnapshot(*s, again);
  auto t = std::make_unique<veloria::SaveSnapshot>();
  if (!veloria::decodeSnapshot(again.data(), again.size(), scriptLength, *t)) std::abort();
  std::vector<uint8_t> third;
  veloria::encodeSnapshot(*t, third);
  if (third != again) std::abort();
  return 0;
}
