// Builds without SDL have only the headless backend.
#ifndef VELORIA_HAVE_SDL
#include "platform/platform.h"

namespace veloria {
std::unique_ptr<Platform> makeSdlPlatform(std::string* error, const WindowOptions&) {
  if (error) *error = "this build has no SDL backend";
  return nullptr;
}
}  // namespace veloria
#endif
