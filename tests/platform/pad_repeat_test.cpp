// A gamepad's held directions as repeated arrow presses.
#include <gtest/gtest.h>

#include "platform/pad_repeat.h"

using namespace veloria;

TEST(PadRepeat, AHeldDirectionPressesAtOnceThenAfterTheDelayThenSteadily) {
  PadRepeat r;
  uint32_t when = 0;
  EXPECT_FALSE(r.nextDue(when));
  EXPECT_EQ(r.dpad(PadButton::Down, true, 1000), PadButton::Down);
  ASSERT_TRUE(r.nextDue(when));
  EXPECT_EQ(when, 1000 + PadRepeat::kFirstRepeatMs);
  EXPECT_EQ(r.due(1399), std::nullopt);
  EXPECT_EQ(r.due(1400), PadButton::Down);
  EXPECT_EQ(r.due(1400), std::nullopt);
  EXPECT_EQ(r.due(1520), PadButton::Down);
  // Looked at late: one press, and the next a whole step later.
  EXPECT_EQ(r.due(5000), PadButton::Down);
  EXPECT_EQ(r.due(5119), std::nullopt);
  // Let go: nothing more, and an idle pad asks for no wake-up.
  EXPECT_EQ(r.dpad(PadButton::Down, false, 5200), std::nullopt);
  EXPECT_EQ(r.due(9000), std::nullopt);
  EXPECT_FALSE(r.nextDue(when));
}

TEST(PadRepeat, TheStickHasADeadZoneAndTakesItsStrongerAxis) {
  PadRepeat r;
  EXPECT_EQ(r.stick(PadRepeat::kDeadZone - 1, -(PadRepeat::kDeadZone - 1), 0), std::nullopt);
  EXPECT_EQ(r.stick(-20000, 5000, 10), PadButton::Left);
  // Moving within the same direction presses nothing new.
  EXPECT_EQ(r.stick(-30000, 8000, 20), std::nullopt);
  EXPECT_EQ(r.stick(-10000, 30000, 30), PadButton::Down);
  EXPECT_EQ(r.stick(0, -32768, 40), PadButton::Up);
  // The d-pad wins while held; the stick's direction comes back when it is let go.
  EXPECT_EQ(r.dpad(PadButton::Right, true, 50), PadButton::Right);
  EXPECT_EQ(r.dpad(PadButton::Right, false, 60), PadButton::Up);
  EXPECT_EQ(r.stick(0, 0, 70), std::nullopt);
  EXPECT_EQ(r.due(10000), std::nullopt);
  // A pad taken away holds nothing.
  r.stick(32767, 0, 80);
  r.release();
  EXPECT_EQ(r.due(10000), std::nullopt);
}
