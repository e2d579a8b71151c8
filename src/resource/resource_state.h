// Resource state: plug-in registrations and the archive lookup caches.
#pragma once

#include <cstdint>

namespace veloria {

struct ResourceState {
  int32_t noLoadError = 0;
};

}  // namespace veloria
