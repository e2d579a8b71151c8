// gloval.sav (both layouts), envdata, the logs and kidoku.dat from arbitrary bytes: the first byte picks
// the format. Reading stays inside the input and within the formats' bounds, and what is
// read writes out and reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "save/persist_formats.h"
#include "engine/script_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t kind = data[0] % 3;
  ++data;
  --size;
  std::vector<uint8_t> out;
  if (kind == 0) {
    auto g = std::make_unique<veloria::GlobalVariables>();
    veloria::decodeGlobals(data, size, *g);
    for (const auto& s : g->strVars)
      if (s.size() > veloria::kMaxStringBytes) std::abort();
    veloria::encodeGlobals(*g, out);
    auto h = std::make_unique<veloria::GlobalVariables>();
    veloria::decodeGlobals(out.data(), out.size(), *h);
    if (h->numVars != g->numVars) std::abort();
    // The extended layout: what it accepts writes out and reads back the same.
    veloria::ExtendedGlobals x;
    if (veloria::decodeExtendedGlobals(data, size, x)) {
      if (x.border < 1 || x.numVars.size() != static_cast<size_t>(veloria::kMaxVariableCount - x.border)) std::abort();
      veloria::encodeExtendedGlobals(x, out);
      veloria::ExtendedGlobals y;
      if (!veloria::decodeExtendedGlobals(out.data(), out.size(), y) || y.strVars != x.strVars) std::abort();
    }
  } else if (kind == 1) {
    veloria::Environment env = veloria::decodeEnvironment(data, size);
    if (env.faceName.size() > veloria::kMaxSettingBytes || env.cdDrive.size() > veloria::kMaxSettingBytes)
      std::abort();
    veloria::encodeEnvironment(env, out);
    veloria::Environment back = veloria::decodeEnvironment(out.data(), out.size());
    if (back.faceName != env.faceName || back.textSpeed != env.textSpeed) std::abort();
  } else {
    std::vector<std::string> entries = veloria::decodeLog(data, size);
    if (entries.size() > veloria::kMaxLogEntries) std::abort();
    for (const auto& en : entries)
      if (en.empty() || en.size() > veloria::kMaxLogEntryBytes) std::abort();
    veloria::encodeLog(entries, out);
    (void)veloria::decodeLog(out.data(), out.size());
  }
  return 0;
}
