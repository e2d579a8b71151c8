// The automation input language from arbitrary text: a line it cannot read is reported with
// its number, and whatever it reads stays inside the ranges the headless platform relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/headless/input_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    uint64_t before = 0;
    for (const veloria::InputEvent& ev : veloria::parseInputScript(text)) {
      if (ev.timeMs < before) std::abort();  // time never runs backwards
      before = ev.timeMs;
      if ((ev.kind == veloria::InputEvent::Save || ev.kind == veloria::InputEvent::Load) &&
          (ev.code < 1 || ev.code > veloria::kMaxInputSlot))
        std::abort();
      if (ev.kind == veloria::InputEvent::Select && ev.code < 0) std::abort();
      if ((ev.kind == veloria::InputEvent::Screenshot || ev.kind == veloria::InputEvent::Dump) && ev.text.empty())
        std::abort();
    }
  } catch (const veloria::InputScriptError& e) {
    if (std::string(e.what()).rfind("input line ", 0) != 0) std::abort();
  }
  return 0;
}
