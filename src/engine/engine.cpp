#include "engine/engine.h"

namespace veloria {

void switchTo800(Engine& e) {
  e.app.screenWidth = 800;
  e.app.screenHeight = 600;
  e.platform.resizeClient(800, 600);
}

}  // namespace veloria
