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
