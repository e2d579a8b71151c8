// The program's icon as the window and the icon theme get it.
#include <gtest/gtest.h>

#include "platform/window_icon.h"

namespace veloria {
namespace {

TEST(AppIcon, OpaqueShapeOnATransparentSquareAtEverySize) {
  for (int size : {16, 32, 64, 256}) {
    std::vector<uint8_t> px = drawAppIcon(size);
    ASSERT_EQ(px.size(), static_cast<size_t>(size) * size * 4);
    auto alpha = [&](int x, int y) { return px[(static_cast<size_t>(y) * size + x) * 4 + 3]; };
    EXPECT_EQ(alpha(0, 0), 0) << size;  // the rounded corners stay clear
    EXPECT_EQ(alpha(size - 1, size - 1), 0) << size;
    EXPECT_EQ(alpha(size / 2, size / 2), 255) << size;
    EXPECT_EQ(alpha(size / 2, size / 8), 255) << size;
  }
  EXPECT_TRUE(drawAppIcon(0).empty());
}

}  // namespace
}  // namespace veloria
