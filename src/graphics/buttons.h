// Buttons: the table the defining commands fill and the hover looks the button waits show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/autoplay_port.h"

#include "engine/graphics_state.h"

namespace veloria {

struct Engine;

// The index of the button under (x, y): the last in table order that the mask lets answer
// and whose rectangle holds the point; -1 when there is none.
int buttonAt(const Engine& e, int x, int y);
// Shows a button as hovered or as normal: an image button's look is cut from the button
// picture (normal: the composed frame again), a sprite button shows cell 1 or 0, a text
// button its choice text in the selected or the normal colour.
void showButtonLook(Engine& e, const Button& b, bool hovered);
// A sprite button's look (cell 1 hovered, else 0; the sprite made visible), added to
// dirtyRect without composing.
void setSpriteButtonLook(Engine& e, const Button& b, bool hovered);
// Shows every image button except the one at index `except` (-1: none) in its normal look,
// in one picture.
void showImageButtonsNormal(Engine& e, int except);
// Where a player would click to take the first button the mask lets answer (its centre on
// the screen), or the screen's centre when there is none.
void firstButtonPoint(const Engine& e, int& x, int& y);
// The buttons a click can take now (the mask respected, one per button number), each with
// a point that takes it: the options of a button wait for autoplay.
std::vector<AutoplayOption> clickableButtons(const Engine& e);
// Applies a control string of exbtn or exbtn_d: the sprites it names are shown, hidden or
// turned to a cell, and their rectangles added to dirtyRect (nothing is composed). A
// malformed string stops with the control-string error.
void applyButtonControl(Engine& e, const std::string& control);
// Whether a control string is well formed (the checker's test of a literal one).
bool controlStringValid(std::string_view control);
// The sprite numbers a well-formed control string names, in order.
std::vector<int> controlStringSprites(std::string_view control);
// Drops the buttons and the button picture with the rest of a game's state.
void resetButtons(Engine& e);

// The button wait: the clicked button's number, 0 for a click on no button (or, in text
// mode, an automatic or skip advance), -1 for a right click, -2 at the time-out.
int32_t runButtonWait(Engine& e, bool textMode, bool selectMode);
// The link wait over the links typed into the text: the clicked link's number, 0 or -1.
int32_t runLinkWait(Engine& e);

}  // namespace veloria
