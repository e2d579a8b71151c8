// The choice state other subsystems read: csel's option texts and selectcolor's colours for
// the text buttons, and the link regions the link wait empties.
#include "app/engine.h"
#include "text/text.h"

namespace veloria {

const std::string* cselText(Engine& e, int index) {
  const auto& texts = e.text.cselTexts;
  if (index < 0 || static_cast<size_t>(index) >= texts.size()) return nullptr;
  return &texts[static_cast<size_t>(index)];
}

uint32_t selectColorOver(const Engine& e) { return e.text.selectColors[0]; }
uint32_t selectColorNormal(const Engine& e) { return e.text.selectColors[1]; }

void clearLinks(Engine& e) { e.text.linkCount = 0; }

}  // namespace veloria
