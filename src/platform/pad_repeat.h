// A gamepad's directions as presses of the arrow keys. The d-pad and the left stick (past
// its dead zone, along its stronger axis) hold a direction; a held direction presses once
// when taken, again after a first delay and then at a steady rate, as a held key repeats.
// The backend asks when the next repeat is due, so an idle pad costs nothing.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace veloria {

class PadRepeat {
 public:
  static constexpr int kDeadZone = 16000;  // of the stick's 32767
  static constexpr uint32_t kFirstRepeatMs = 400;
  static constexpr uint32_t kRepeatMs = 120;

  // The d-pad's direction pressed or let go; returns the press to give now, if any.
  std::optional<PadButton> dpad(PadButton direction, bool down, uint32_t now);
  // The left stick's position (SDL's axes: y grows downwards); the press to give now, if any.
  std::optional<PadButton> stick(int x, int y, uint32_t now);
  // The repeated press due by `now`, if any.
  std::optional<PadButton> due(uint32_t now);
  // When the next repeat is due; false when no direction is held.
  bool nextDue(uint32_t& when) const;
  // The pad went away: nothing is held any more.
  void release();

 private:
  std::optional<PadButton> update(uint32_t now);

  std::optional<PadButton> dpad_, stick_, held_;
  uint32_t next_ = 0;
};

}  // namespace veloria
