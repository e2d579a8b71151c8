// Where the arrow keys lead among the places of a wait.
#include <gtest/gtest.h>

#include "engine/key_navigation.h"

using namespace veloria;

TEST(KeyNavigation, ArrowsGoToTheNearestPlaceAheadAndSidewaysCostsMore) {
  // A 3 x 2 grid, 100 apart across and 50 down, plus one far off to the lower right.
  const std::vector<NavPoint> grid{{100, 100}, {200, 100}, {300, 100}, {100, 150}, {200, 150}, {300, 150}, {600, 400}};
  EXPECT_EQ(nearestInDirection(grid, 0, grid[0], Arrow::Right), 1);
  EXPECT_EQ(nearestInDirection(grid, 0, grid[0], Arrow::Down), 3);
  EXPECT_EQ(nearestInDirection(grid, 4, grid[4], Arrow::Up), 1);
  EXPECT_EQ(nearestInDirection(grid, 4, grid[4], Arrow::Left), 3);
  // Nothing lies to the left of the first column or above the first row.
  EXPECT_EQ(nearestInDirection(grid, 0, grid[0], Arrow::Left), -1);
  EXPECT_EQ(nearestInDirection(grid, 1, grid[1], Arrow::Up), -1);
  // Down from the right end of the lower row: the far one is the only one below.
  EXPECT_EQ(nearestInDirection(grid, 5, grid[5], Arrow::Down), 6);
  // Right from (200, 150): (300, 150) in line beats (300, 100) just as near but aside.
  EXPECT_EQ(nearestInDirection(grid, 4, grid[4], Arrow::Right), 5);

  // From the pointer over none: the nearest that way, or the first when none lies that way;
  // from a place with none that way: stay.
  EXPECT_EQ(arrowTarget(grid, -1, NavPoint{250, 10}, Arrow::Down), 1);
  EXPECT_EQ(arrowTarget(grid, -1, NavPoint{700, 10}, Arrow::Right), 0);
  EXPECT_EQ(arrowTarget(grid, 6, NavPoint{0, 0}, Arrow::Right), -1);
  EXPECT_EQ(arrowTarget({}, -1, NavPoint{0, 0}, Arrow::Down), -1);
}

TEST(KeyNavigation, ListsWrapAndTheFirstPressTakesTheFirstEntry) {
  EXPECT_EQ(stepInList(3, -1, Arrow::Up), 0);
  EXPECT_EQ(stepInList(3, -1, Arrow::Down), 0);
  EXPECT_EQ(stepInList(3, 0, Arrow::Down), 1);
  EXPECT_EQ(stepInList(3, 2, Arrow::Down), 0);
  EXPECT_EQ(stepInList(3, 0, Arrow::Up), 2);
  EXPECT_EQ(stepInList(3, 1, Arrow::Left), 0);
  EXPECT_EQ(stepInList(0, -1, Arrow::Down), -1);
}
