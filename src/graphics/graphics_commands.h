// Registration of the graphics commands, split by the files that implement them.
#pragma once

#include <cstdint>
#include <string>

namespace veloria {

class CommandTable;
struct Engine;

void registerSceneCommands(CommandTable& t);   // effect, print, bg, ld, cl, tal, transmode...
void registerSpriteCommands(CommandTable& t);  // lsp, lsph, csp, vsp, msp, amsp, cell...
void registerDrawCommands(CommandTable& t);    // bar, prnum, monocro, nega, quakex, blt, bw2a...
void registerButtonCommands(CommandTable& t);  // btndef, btn, spbtn, cselbtn, maskbtn... and the waits
void registerButtonWaitCommands(CommandTable& t);  // btnwait, textbtnwait, tbtnwait, getbtntimer...
void registerEnhancedSpriteCommands(CommandTable& t);  // lsp2, lsph2, csp2, amsp2, msp2

// The background of bg (scene_commands.cpp), also rebuilt by a loaded game.
void recreateBackground(Engine& e);
void fillBackground(Engine& e, uint32_t rgb);
void loadBackgroundPicture(Engine& e, const std::string& name);

}  // namespace veloria
