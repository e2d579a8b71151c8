#include "platform/platform.h"

namespace veloria {
std::unique_ptr<Platform> makeSdlPlatform(std::string* error) {
  if (error) *error = "the SDL backend is not ready";
  return nullptr;
}
}  // namespace veloria
