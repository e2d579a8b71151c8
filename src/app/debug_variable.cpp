#include "app/app.h"
#include "app/engine.h"

namespace veloria {

void setDebugVariable(Engine&, long, int32_t) {}

}  // namespace veloria
