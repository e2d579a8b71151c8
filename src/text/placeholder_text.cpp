// Temporary definitions so the tree links while the text subsystem is being written.
// The text subsystem replaces this file.
#include "app/engine.h"
#include "text/text.h"

namespace veloria {
void composeTextWindow(Engine&) {}
void hideTextWindow(Engine&) {}
void typeText(Engine&, const std::string&) {}
void textRestoreDefaults(Engine&) {}
void textResetGame(Engine&) {}
void registerTextCommands(CommandTable&) {}
}  // namespace veloria
