#include "app/app.h"
#include "engine/engine.h"
#include "script/script.h"

namespace veloria {

void setDebugVariable(Engine& e, long index, int32_t value) {
  // The number comes from a person at a dialog: anything outside the store is ignored.
  if (index < 0 || index >= variableCount(e)) return;
  setNumVar(e, static_cast<int32_t>(index), value);
}

}  // namespace veloria
