// Registration of the graphics commands, split by the files that implement them.
#pragma once

namespace veloria {

class CommandTable;

void registerSceneCommands(CommandTable& t);   // effect, print, bg, ld, cl, tal, transmode...
void registerSpriteCommands(CommandTable& t);  // lsp, lsph, csp, vsp, msp, amsp, cell...
void registerDrawCommands(CommandTable& t);    // bar, prnum, monocro, nega, quakex, blt, bw2a...
void registerButtonCommands(CommandTable& t);  // btndef, btn, spbtn, cselbtn, maskbtn... and the waits
void registerButtonWaitCommands(CommandTable& t);  // btnwait, textbtnwait, tbtnwait, getbtntimer...

}  // namespace veloria
