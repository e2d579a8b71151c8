// The remembered answers about a game's programs, from arbitrary bytes: the reader gives a
// record or nothing, and a record it accepts is written back and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/program_consent.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 2 * veloria::kMaxConsentRecordBytes) return 0;
  const std::string game = "/games/demo";
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto c = veloria::parseProgramConsent(text, game);
  if (!c) return 0;
  if (size > veloria::kMaxConsentRecordBytes) std::abort();
  auto again = veloria::parseProgramConsent(veloria::formatProgramConsent(*c, game), game);
  if (!again || *again != *c) std::abort();
  return 0;
}
