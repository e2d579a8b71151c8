#include "platform/pad_repeat.h"

#include <cstdlib>

namespace veloria {

std::optional<PadButton> PadRepeat::dpad(PadButton direction, bool down, uint32_t now) {
  if (down) dpad_ = direction;
  else if (dpad_ == direction) dpad_.reset();
  return update(now);
}

std::optional<PadButton> PadRepeat::stick(int x, int y, uint32_t now) {
  const int ax = std::abs(x), ay = std::abs(y);
  if (ax < kDeadZone && ay < kDeadZone) stick_.reset();
  else if (ax > ay) stick_ = x < 0 ? PadButton::Left : PadButton::Right;
  else stick_ = y < 0 ? PadButton::Up : PadButton::Down;
  return update(now);
}

// The d-pad wins over the stick; a newly held direction presses at once.
std::optional<PadButton> PadRepeat::update(uint32_t now) {
  const std::optional<PadButton> held = dpad_ ? dpad_ : stick_;
  if (held == held_) return std::nullopt;
  held_ = held;
  if (!held_) return std::nullopt;
  next_ = now + kFirstRepeatMs;
  return held_;
}

std::optional<PadButton> PadRepeat::due(uint32_t now) {
  if (!held_ || static_cast<int32_t>(now - next_) < 0) return std::nullopt;
  // A late look (the program was busy) gives one press, not a burst.
  next_ = now + kRepeatMs;
  return held_;
}

bool PadRepeat::nextDue(uint32_t& when) const {
  if (!held_) return false;
  when = next_;
  return true;
}

void PadRepeat::release() {
  dpad_.reset();
  stick_.reset();
  held_.reset();
}

}  // namespace veloria
