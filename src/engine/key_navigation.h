// Playing without a mouse: the arrow keys (and the gamepad's directions, which arrive as
// the same keys) move the highlight of a choice, a button wait or a system menu. The waits
// move the pointer onto the item they pick, so the hover look follows as for the mouse.
#pragma once

#include <optional>
#include <vector>

#include "platform/platform.h"

namespace veloria {

enum class Arrow { Left, Up, Right, Down };

// The arrow a key message carries; none for every other message.
std::optional<Arrow> arrowOf(const Message& m);

struct NavPoint {
  int x = 0, y = 0;
};

// The point nearest to `from` in the arrow's direction: it must lie ahead along the arrow's
// axis, and a step sideways counts twice as far as a step ahead. `current` (an index, or
// -1) is never the answer. -1 when nothing lies that way.
int nearestInDirection(const std::vector<NavPoint>& points, int current, NavPoint from, Arrow arrow);

// Where an arrow goes among the places of a wait (its buttons, a menu's items): the nearest
// one that way from `current` (an index), or from the pointer when it is over none (-1);
// from the pointer, when none lies that way, the first. -1: nowhere (stay).
int arrowTarget(const std::vector<NavPoint>& points, int current, NavPoint pointer, Arrow arrow);

// A list taken in order: Down and Right go to the next entry, Up and Left to the one before,
// both wrapping; from no entry (-1) any arrow goes to the first.
int stepInList(int count, int current, Arrow arrow);

}  // namespace veloria
