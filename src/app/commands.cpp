#include "graphics/graphics.h"
#include "resource/resource.h"
#include "save/save.h"
#include "script/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria {

void registerAllCommands(CommandTable& t) {
  registerScriptCommands(t);
  registerTextCommands(t);
  registerGraphicsCommands(t);
  registerResourceCommands(t);
  registerSoundCommands(t);
  registerSaveCommands(t);
  registerUiCommands(t);
}

}  // namespace veloria
