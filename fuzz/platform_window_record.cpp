// The remembered window record, from arbitrary bytes: the reader gives a record or nothing,
// and a record it accepts is written back and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/window_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;  // a record is a few lines; larger inputs teach nothing new
  const std::string game = "/games/demo";
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto r = veloria::parseWindowRecord(text, game);
  if (!r) return 0;
  auto again = veloria::parseWindowRecord(veloria::formatWindowRecord(*r, game), game);
  if (!again || again->clientW != r->clientW || again->clientH != r->clientH || again->x != r->x ||
      again->y != r->y || again->width != r->width || again->height != r->height || again->mode != r->mode)
    std::abort();
  return 0;
}
