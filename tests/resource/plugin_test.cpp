#include "platform/dynlib.h"
#include "resource/resource.h"
#include "resource_test_util.h"

namespace veloria::test {
namespace {

class Plugins : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    std::filesystem::copy_file(VELORIA_TEST_PLUGIN, game + "/full.spi");
    std::filesystem::copy_file(VELORIA_TEST_PLUGIN_PARTIAL, game + "/partial.spi");
    fs::invalidateCache();
  }
  std::string log(const char* library = "full.spi") {
    using LogFn = const char* (*)();
    auto fn = reinterpret_cast<LogFn>(pluginFunction(*engine, library, "veloria_test_plugin_log"));
    return fn ? fn() : "(no log)";
  }
};

TEST_F(Plugins, SettingsAreCheckedAndLowerCased) {
  addPluginSetting(*engine, PluginList::archive, "Data.PAK|Full.SPI");
  addPluginSetting(*engine, PluginList::image, "\x83\x41.spi|PNG");  // a double-byte name stays
  EXPECT_EQ(engine->res.archivePlugins[0], "data.pak|full.spi");
  EXPECT_EQ(engine->res.imagePlugins[0], "\x83\x41.spi|png");
  EXPECT_EQ(imagePluginFor(*engine, "png"), std::string("\x83\x41.spi"));
  EXPECT_FALSE(imagePluginFor(*engine, "jpg"));
  expectScriptError([&] { addPluginSetting(*engine, PluginList::image, "noBar.spi"); }, "エラー",
                    "noBar.spi");
  EXPECT_EQ(engine->res.imagePlugins.size(), 1u);
}

TEST_F(Plugins, FiftySettingsPerList) {
  for (int i = 1; i < 50; ++i) addPluginSetting(*engine, PluginList::archive, "a|b");
  addPluginSetting(*engine, PluginList::archive, "fiftieth|x.spi");  // the 50th is accepted
  EXPECT_EQ(engine->res.archivePlugins.back(), "fiftieth|x.spi");
  expectScriptError([&] { addPluginSetting(*engine, PluginList::archive, "a|b"); }, "エラー",
                    "SPI設定が多すぎます。");
  EXPECT_EQ(engine->res.archivePlugins.size(), 50u);
  for (int i = 0; i < 50; ++i) addPluginSetting(*engine, PluginList::soundPress, "p.spi|mid");
  expectScriptError([&] { addPluginSetting(*engine, PluginList::soundPress, "p.spi|mid"); },
                    "エラー", "Sound press plug-in設定が多すぎます。");
  EXPECT_EQ(soundPressPluginFor(*engine, "mid"), std::string("p.spi"));
}

TEST_F(Plugins, ModuleCacheLoadsOnceAndSkipsMissingLibraries) {
  void* m = pluginModule(*engine, "full.spi");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(pluginModule(*engine, "full.spi"), m);
  EXPECT_EQ(engine->res.modules.used, 1);
  EXPECT_EQ(pluginModule(*engine, "missing.spi"), nullptr);
  EXPECT_EQ(engine->res.modules.used, 1);  // a failed load takes no slot
  EXPECT_EQ(pluginFunction(*engine, "partial.spi", "GetFile"), nullptr);
  EXPECT_NE(pluginFunction(*engine, "partial.spi", "GetFileInfo"), nullptr);
  // With every slot taken, a new library is unavailable; loaded ones still answer.
  for (int i = engine->res.modules.used; i < PluginModuleCache::kSlots; ++i) {
    engine->res.modules.slots[static_cast<size_t>(i)].name = "filler" + std::to_string(i);
  }
  engine->res.modules.used = PluginModuleCache::kSlots;
  EXPECT_EQ(pluginModule(*engine, "other.spi"), nullptr);
  EXPECT_EQ(pluginModule(*engine, "full.spi"), m);
}

TEST_F(Plugins, ArchivePluginsAreTriedInOrder) {
  put("data.pak", bytesOf("voice\\a001.ogg=first voice\nzero.txt=@zero\nlie.txt=@nowrite\n"));
  addPluginSetting(*engine, PluginList::archive, "data.pak|missing.spi");  // no library
  addPluginSetting(*engine, PluginList::archive, "data.pak|partial.spi");  // no GetFile
  addPluginSetting(*engine, PluginList::archive, "DATA.PAK|FULL.SPI");
  auto p = resolveFile(*engine, "Voice/A001.ogg");
  ASSERT_TRUE(p);
  EXPECT_EQ(*p, tempFile("a001.ogg"));  // the file the plug-in wrote, whatever its case
  EXPECT_EQ(readAll(*p), bytesOf("first voice"));
  std::string calls = log();
  EXPECT_EQ(calls,
            "GetFileInfo(data.pak,0,Voice\\A001.ogg,0x80);GetFile(data.pak,1,0,null,0);");
  EXPECT_EQ(log("partial.spi"), "GetFileInfo(data.pak,0,Voice\\A001.ogg,0x80);");

  // Position 0 means the plug-in does not have it; so does claiming success without a file.
  EXPECT_FALSE(resolveFile(*engine, "zero.txt"));
  EXPECT_FALSE(resolveFile(*engine, "lie.txt"));
  EXPECT_FALSE(resolveFile(*engine, "absent.txt"));
  EXPECT_EQ(tempFileCount(), 1u);
}

TEST_F(Plugins, ArchivesComeBeforePlugins) {
  engine->res.archivesEnabled = 1;
  put("arc.vla", assembleArchive({stored("a.txt", "from the archive")}));
  put("data.pak", bytesOf("a.txt=from the plug-in\n"));
  addPluginSetting(*engine, PluginList::archive, "data.pak|full.spi");
  EXPECT_EQ(readAll(*resolveFile(*engine, "a.txt")), bytesOf("from the archive"));
  EXPECT_EQ(log(), "");
}

TEST_F(Plugins, PicturesAndSoundPress) {
  put("pic.xyz", bytesOf("3 2 10 20 30"));
  auto pic = loadPictureWithPlugin(*engine, "full.spi", game + "/pic.xyz");
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->width, 3);
  EXPECT_EQ(pic->height, 2);
  EXPECT_EQ(pic->bitCount, 24);
  EXPECT_TRUE(pic->palette.empty());
  ASSERT_EQ(pic->pixels.size(), 24u);  // two rows of 12 bytes
  EXPECT_EQ(pic->pixels[12 + 6], 10);
  EXPECT_EQ(pic->pixels[12 + 8], 30);
  EXPECT_EQ(log(), "GetPicture(pic.xyz,0,0,null,0);");
  put("bad.xyz", bytesOf("not a picture"));
  EXPECT_FALSE(loadPictureWithPlugin(*engine, "full.spi", game + "/bad.xyz"));
  put("short.xyz", bytesOf("-40 40 1 2 3"));  // delivers fewer pixels than it declares
  EXPECT_FALSE(loadPictureWithPlugin(*engine, "full.spi", game + "/short.xyz"));
  EXPECT_FALSE(loadPictureWithPlugin(*engine, "partial.spi", game + "/pic.xyz"));
  EXPECT_FALSE(loadPictureWithPlugin(*engine, "missing.spi", game + "/pic.xyz"));

  put("song.mdz", bytesOf("notes"));
  EXPECT_TRUE(runSoundPressPlugin(*engine, "full.spi", game + "/song.mdz", tempFile("Velotmp.mid")));
  EXPECT_EQ(readAll(tempFile("Velotmp.mid")), bytesOf("NOTES"));
  EXPECT_FALSE(runSoundPressPlugin(*engine, "partial.spi", game + "/song.mdz", tempFile("x")));
}

TEST(DynamicLibrary, ReportsWhyALoadFailed) {
  std::string why;
  EXPECT_EQ(dynlib::open("/nonexistent/lib.so", &why), nullptr);
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(dynlib::symbol(nullptr, "x"), nullptr);
}

}  // namespace
}  // namespace veloria::test
