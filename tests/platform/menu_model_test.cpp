#include <gtest/gtest.h>

#include "platform/menu_model.h"

using namespace veloria;

TEST(MenuModel, RadioGroupChecksOneItem) {
  MenuBar m;
  m.items().push_back(MenuItem{0, "a", false, {MenuItem{1, "x", true, {}}, MenuItem{2, "y", false, {}}}});
  m.checkRadio(2, {1, 2});
  EXPECT_FALSE(m.isChecked(1));
  EXPECT_TRUE(m.isChecked(2));
}

TEST(MenuModel, RunTimeItemsAndRemovalByPosition) {
  MenuBar m;
  m.items().push_back(MenuItem{0, "font", false, {MenuItem{40004, "default", true, {}}}});
  m.items().push_back(MenuItem{40006, "skip", false, {}});
  m.items().push_back(MenuItem{40019, "auto", false, {}});
  ASSERT_TRUE(m.insertBefore(40004, MenuItem{0 + 1, "A", false, {}}));
  ASSERT_TRUE(m.insertBefore(40004, MenuItem{2, "B", false, {}}));
  const auto& fonts = m.items()[0].children;
  ASSERT_EQ(fonts.size(), 3u);
  EXPECT_EQ(fonts[0].text, "A");
  EXPECT_EQ(fonts[2].id, 40004);
  EXPECT_FALSE(m.insertBefore(12345, MenuItem{3, "C", false, {}}));
  EXPECT_EQ(m.topLevelPositionOf(40019), 2);
  EXPECT_EQ(m.topLevelPositionOf(2), 0);
  EXPECT_TRUE(m.removeTopLevel(2));
  EXPECT_EQ(m.find(40019), nullptr);
  EXPECT_FALSE(m.removeTopLevel(7));
  EXPECT_EQ(m.removeId(1), 1);
  EXPECT_EQ(m.items()[0].children.size(), 2u);
}
