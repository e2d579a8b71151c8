// The font menu: installed fixed-pitch Japanese families before "デフォルト".
#include <gtest/gtest.h>

#include "app/app.h"
#include "engine/engine.h"
#include "platform/text_codec.h"
#include "text/text.h"

namespace veloria {
namespace {

TEST(TextFontMenu, ListsFixedPitchFamiliesOnceBeforeDefault) {
  auto platform = makeHeadlessPlatform(HeadlessOptions{});
  Engine e(*platform);
  MenuItem fonts;
  fonts.text = sj("フォント");
  MenuItem def;
  def.id = IDM_FONT_DEFAULT;
  def.text = sj("デフォルト");
  fonts.children.push_back(def);
  platform->menu().items().push_back(fonts);

  buildFontMenu(e);
  buildFontMenu(e);  // a second engine cycle must not list the fonts twice
  const auto& items = platform->menu().items()[0].children;
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items.back().id, IDM_FONT_DEFAULT);
  EXPECT_TRUE(items.back().checked);
  if (items.size() == 1) GTEST_SKIP() << "no fixed-pitch Japanese font installed";
  EXPECT_LE(items.size(), 1000u);
  for (size_t i = 0; i + 1 < items.size(); ++i) {
    const MenuItem& it = items[i];
    EXPECT_GT(it.id, 0) << "id 0 is kept for submenu holders";
    EXPECT_LT(it.id, 1000);
    EXPECT_NE(it.text[0], '@');
    for (size_t j = 0; j < i; ++j) EXPECT_NE(items[j].text, it.text);
    const std::string* face = fontItemFace(e, it.id);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(*face, it.text);
    EXPECT_EQ(fontItemId(e, it.text), it.id);
  }
  EXPECT_EQ(fontItemFace(e, 0), nullptr);
  EXPECT_EQ(fontItemFace(e, -5), nullptr);
  EXPECT_EQ(fontItemFace(e, 40004), nullptr);
  EXPECT_EQ(fontItemId(e, sj("存在しないフォント")), -1);
}

}  // namespace
}  // namespace veloria
