// The later dialect's screen utilities: sprite sizes, the frame copied into the background,
// screenshots and their files, quake and flushout on the virtual clock, plug-in layers and
// the plug-in transition's cross-fade.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/decoders.h"
#include "graphics/picture_helpers.h"
#include "script/script.h"
#include "support/game_runner.h"
#include "support/gfx_engine.h"

namespace veloria {
namespace {

using test::GfxEngine;
using test::px;

// Every pixel tells where it came from: red and green are x and y (low bits), blue holds
// their high bits and is never 0, so no pixel of it is black.
uint32_t placeColour(int x, int y) {
  const uint32_t b = 0x80u | static_cast<uint32_t>((x >> 8) & 3) | static_cast<uint32_t>(((y >> 8) & 3) << 2);
  return (static_cast<uint32_t>(x & 0xFF) << 16) | (static_cast<uint32_t>(y & 0xFF) << 8) | b;
}

// The place a pixel of placeColour shows, or {-1, -1} for black.
std::pair<int, int> placeOf(uint32_t rgb) {
  if (rgb == 0) return {-1, -1};
  const int b = static_cast<int>(rgb & 0xFF);
  return {static_cast<int>((rgb >> 16) & 0xFF) | ((b & 3) << 8), static_cast<int>((rgb >> 8) & 0xFF) | (((b >> 2) & 3) << 8)};
}

struct Screen : GfxEngine {
  using GfxEngine::GfxEngine;
  Screen() { e().script.dialect = Dialect::Extended; }
  int var(int i) { return numVarValue(e(), i); }
  std::vector<uint8_t> windowPicture() { return platform->windowPicture(); }
  // Shows a 640 x 480 background that is placeColour everywhere.
  void showPlaces() {
    writeFile("place.bmp", test::bmpFile(640, 480, placeColour));
    run("bg", "\"place.bmp\",1");
  }
};

TEST(ScreenCommands, GetspsizeGivesTheVisibleCellAndCellCount) {
  Screen d;
  // A three-cell alpha picture 90 wide: each cell is 30, of which 15 are visible.
  d.writeFile("three.bmp", test::solidBmp(90, 20, 0x808080));
  d.run("lsp", "5,\":a/3,100,0;three.bmp\",0,0");
  d.run("getspsize", "5,%1,%2,%3");
  EXPECT_EQ(d.var(1), 15);
  EXPECT_EQ(d.var(2), 20);
  EXPECT_EQ(d.var(3), 3);
  // An undefined sprite gives zeros; the cell count is optional.
  d.run("mov", "%3,9");
  d.run("getspsize", "6,%1,%2");
  EXPECT_EQ(d.var(1), 0);
  EXPECT_EQ(d.var(2), 0);
  EXPECT_EQ(d.var(3), 9);
  d.run("getspsize", "6,%1,%2,%3");
  EXPECT_EQ(d.var(3), 0);
  // A hidden sprite still has its size; a plain picture is one cell.
  d.run("lsph", "7,\":c;three.bmp\",0,0");
  d.run("getspsize", "7,%1,%2,%3");
  EXPECT_EQ(d.var(1), 90);
  EXPECT_EQ(d.var(3), 1);

  EXPECT_EQ(d.runError("getspsize", "5,$1,%2"), "構文エラー|getspsizeの第二引数以降は数字変数です。");
  EXPECT_EQ(d.runError("getspsize", "5,%1,%2,7"), "構文エラー|getspsizeの第二引数以降は数字変数です。");
  EXPECT_EQ(d.runError("getspsize", "-1,%1,%2"), "パラメータエラー|スプライト番号-1は範囲外です。");
}

TEST(ScreenCommands, BgcopyKeepsTheFrameAsTheBackground) {
  Screen d;
  d.writeFile("sp.bmp", test::solidBmp(20, 10, 0x00FF00));
  d.writeFile("st.bmp", test::solidBmp(40, 60, 0x0000FF));
  d.run("bg", "#ff0000,1");
  d.run("lsp", "3,\":c;sp.bmp\",100,50");
  d.run("lsp", "4,\":c;sp.bmp\",630,470,128");  // half transparent, partly off the screen
  d.run("lsp2", "0,\":c;sp.bmp\",300,200,200,100,45,128");  // turned, scaled, half faded
  d.run("ld", "c,\":c;st.bmp\",1");
  const std::vector<uint8_t> before = d.windowPicture();
  EXPECT_EQ(d.window(100, 50), 0x00FF00u);
  EXPECT_NE(d.window(300, 200), 0xFF0000u);

  d.run("bgcopy", "");
  EXPECT_EQ(d.e().gfx.backgroundName, "black");
  EXPECT_TRUE(d.e().gfx.dirtyRect.empty());
  d.run("csp", "-1");
  d.run("csp2", "-1");
  d.run("cl", "a,1");
  EXPECT_EQ(d.windowPicture(), before);
  d.run("print", "1");
  EXPECT_EQ(d.windowPicture(), before);
  // The sprites are really gone: the next background replaces their picture.
  d.run("bg", "#0000ff,1");
  EXPECT_EQ(d.window(100, 50), 0x0000FFu);
}

TEST(ScreenCommands, BgcopyLeavesTheTextWindowOut) {
  test::GameFiles files;
  files["sp.bmp"] = test::solidBmp(20, 10, 0x00FF00);
  files["0.txt"] = test::sjisText(
      "*define\ngame\n*start\n"
      "bg white,1\nlsp 3,\":c;sp.bmp\",100,50\nprint 1\n"
      "!s0■\n"
      "bgcopy\n"
      "csp -1\nprint 1\n"
      "end\n");
  auto run = test::runGame(files);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  // The window (tinted grey while it was shown) is not part of the new background.
  EXPECT_EQ(test::pixelAt(run, 600, 400), 0xFFFFFFu);
  EXPECT_EQ(test::pixelAt(run, 100, 50), 0x00FF00u);
  EXPECT_EQ(test::pixelAt(run, 120, 60), 0xFFFFFFu);
}

TEST(ScreenCommands, ScreenshotIsABoxFilteredCopyOfTheWindow) {
  Screen d;
  d.showPlaces();
  // The mean of the source pixels a target pixel's area covers, worked out from placeColour.
  auto expected = [](int tx, int ty, int w, int h) {
    const int x0 = tx * 640 / w, x1 = std::max(x0 + 1, (tx + 1) * 640 / w);
    const int y0 = ty * 480 / h, y1 = std::max(y0 + 1, (ty + 1) * 480 / h);
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
      unsigned sum = 0, count = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++count) sum += (placeColour(x, y) >> shift) & 0xFF;
      out |= ((sum + count / 2) / count) << shift;
    }
    return out;
  };
  for (auto [w, h] : {std::pair{160, 120}, std::pair{7, 5}, std::pair{1000, 3}}) {
    d.run("getscreenshot", std::to_string(w) + "," + std::to_string(h));
    const ImageObject& shot = d.e().gfx.screenshot;
    ASSERT_EQ(shot.width(), w);
    ASSERT_EQ(shot.height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(px(shot, x, y), expected(x, y, w, h)) << w << "x" << h << " " << x << "," << y;
  }
  // The screenshot is of what the window shows, not of the scene waiting for a transition.
  d.run("bg", "white,0");
  d.run("getscreenshot", "2,2");
  EXPECT_EQ(px(d.e().gfx.screenshot, 0, 0), expected(0, 0, 2, 2));

  for (const char* bad : {"0,10", "10,0", "-4,-4", "100000,10", "16000,16000"})
    EXPECT_EQ(d.runError("getscreenshot", bad), "パラメータエラー|getscreenshotの大きさが不正です。") << bad;
}

TEST(ScreenCommands, ScreenshotFilesStayInsideTheGame) {
  test::GameFiles files;
  files["place.bmp"] = test::bmpFile(640, 480, placeColour);
  files["shots/keep.txt"] = "";
  files["0.txt"] =
      "*define\ngame\n*start\n"
      "savescreenshot2 \"early.bmp\"\n"
      "bg \"place.bmp\",1\n"
      "getscreenshot 160,120\n"
      "savescreenshot2 \"shot.bmp\"\n"
      "savescreenshot2 \"SHOTS\\again.bmp\"\n"
      "savescreenshot2 \"../other.bmp\"\n"
      "savescreenshot2 \"nofolder/x.bmp\"\n"
      "savescreenshot2 \"c:x.bmp\"\n"
      "savescreenshot2 \"/tmp/x.bmp\"\n"
      "savescreenshot2 \"shots\\\"\n"
      "savescreenshot2 \"outside/x.bmp\"\n"
      "deletescreenshot\n"
      "savescreenshot2 \"after.bmp\"\n"
      "end\n";
  test::RunOptions o;
  std::string outside;
  o.prepare = [&](const std::string& game) {
    // A folder inside the game that leads out of it.
    outside = game + "/../elsewhere";
    std::filesystem::create_directories(outside);
    std::filesystem::create_directory_symlink(outside, game + "/outside");
  };
  auto run = test::runGame(files, o);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto count = [&](const std::string& text) {
    size_t n = 0;
    for (size_t at = run.stderrText.find(text); at != std::string::npos; at = run.stderrText.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("スクリーンショットがありません。"), 2u) << run.stderrText;
  EXPECT_EQ(count("スクリーンショットを保存できません。"), 6u) << run.stderrText;

  namespace fsys = std::filesystem;
  const fsys::path game = run.gameDir;
  auto read = [](const fsys::path& p) {
    ImageObject o;
    auto bytes = fs::readHostFile(p.string());
    if (bytes) decodeBmp(bytes->data(), bytes->size(), o.dib);
    return std::make_pair(bytes.value_or(std::vector<uint8_t>{}), o);
  };
  const auto [first, picture] = read(game / "shot.bmp");
  ASSERT_EQ(picture.width(), 160);
  ASSERT_EQ(picture.height(), 120);
  EXPECT_EQ(picture.dib.bitCount, 24);
  // 4 x 4 blocks of placeColour: red is the block's mean x, green its mean y, rounded.
  for (int y = 0; y < 120; y += 17)
    for (int x = 0; x < 160; x += 13) {
      const uint32_t c = px(picture, x, y);
      EXPECT_EQ((c >> 16) & 0xFF, static_cast<uint32_t>((4 * x + 2) & 0xFF)) << x << "," << y;
      EXPECT_EQ((c >> 8) & 0xFF, static_cast<uint32_t>((4 * y + 2) & 0xFF)) << x << "," << y;
    }
  // The second file is the same picture, in the folder matched without regard to case.
  EXPECT_EQ(read(game / "shots" / "again.bmp").first, first);
  EXPECT_FALSE(fsys::exists(game.parent_path() / "other.bmp"));
  EXPECT_FALSE(fsys::exists(game / "nofolder"));
  EXPECT_FALSE(fsys::exists(fsys::path(outside) / "x.bmp"));
  EXPECT_FALSE(fsys::exists(game / "after.bmp"));
  EXPECT_FALSE(fsys::exists(game / "early.bmp"));
  // Nothing but the two pictures was added, and no temporary file was left behind.
  size_t entries = 0;
  for (const auto& entry : fsys::directory_iterator(game)) entries += entry.path().extension() == ".bmp";
  EXPECT_EQ(entries, 2u);  // place.bmp and shot.bmp
}

TEST(ScreenCommands, QuakeShakesOnTheVirtualClockAndEndsInPlace) {
  Screen d;
  d.showPlaces();
  // Neither the composition nor dirtyRect is touched.
  fillSurface(d.e().gfx.composeSurface, 0, 0, 640, 480, 0x123456);
  d.e().gfx.dirtyRect = DirtyRect{1, 2, 3, 4};
  struct Frame {
    int dx, dy;
    uint32_t time;
    bool stripsBlack;
  };
  std::vector<Frame> frames;
  d.e().gfx.effectFrameHook = [&](Engine& e, int type, int) {
    EXPECT_EQ(type, kQuakeFrames);
    // The centre pixel shows the place (320 - dx, 240 - dy) of the picture.
    const auto [sx, sy] = placeOf(d.window(320, 240));
    const int dx = 320 - sx, dy = 240 - sy;
    bool black = true;
    for (int y = 0; y < 480; y += 7) {
      for (int x = 0; x < dx; ++x) black = black && d.window(x, y) == 0;
      for (int x = 640 + dx; x < 640; ++x) black = black && d.window(x, y) == 0;
    }
    for (int x = 0; x < 640; x += 7) {
      for (int y = 0; y < dy; ++y) black = black && d.window(x, y) == 0;
      for (int y = 480 + dy; y < 480; ++y) black = black && d.window(x, y) == 0;
    }
    // Next to the strips the picture itself begins.
    black = black && placeOf(d.window(std::max(dx, 0), std::max(dy, 0))) ==
                         std::make_pair(std::max(-dx, 0), std::max(-dy, 0));
    frames.push_back(Frame{dx, dy, e.platform.timeGetTime(), black});
  };
  const uint32_t start = d.now();
  d.run("quake", "3,480");
  EXPECT_EQ(d.now() - start, 480u);
  ASSERT_EQ(frames.size(), 48u);
  bool movedX = false, movedY = false;
  for (size_t f = 0; f < frames.size(); ++f) {
    const int reach = static_cast<int>(24 * (48 - f) / 48);
    EXPECT_LE(std::abs(frames[f].dx), reach) << f;
    EXPECT_LE(std::abs(frames[f].dy), reach) << f;
    EXPECT_TRUE(frames[f].stripsBlack) << f;
    EXPECT_EQ(frames[f].time - start, 10 * f) << f;
    movedX = movedX || frames[f].dx != 0;
    movedY = movedY || frames[f].dy != 0;
  }
  EXPECT_TRUE(movedX && movedY);
  for (auto [x, y] : {std::pair{0, 0}, {639, 479}, {320, 240}}) EXPECT_EQ(d.window(x, y), placeColour(x, y));
  EXPECT_EQ(px(d.e().gfx.composeSurface, 10, 10), 0x563412u);
  EXPECT_EQ(d.e().gfx.dirtyRect.right, 3);

  // Nothing to shake; and an amount far past the screen's size ends in bounded time.
  frames.clear();
  d.run("quake", "0,480");
  d.run("quake", "-2,480");
  EXPECT_TRUE(frames.empty());
  d.e().gfx.effectFrameHook = [&](Engine&, int, int) { frames.push_back(Frame{}); };
  d.run("quake", "2000000000,100");
  EXPECT_EQ(frames.size(), 16u * 80u);
}

TEST(ScreenCommands, FlushoutFadesToWhiteUntilTheNextTransition) {
  Screen d;
  d.run("bg", "#ff0000,1");
  std::vector<uint32_t> seen;
  d.e().gfx.effectFrameHook = [&](Engine&, int type, int) {
    EXPECT_EQ(type, 10);
    seen.push_back(d.window(5, 5));
  };
  // It takes the frames and the time of a cross-fade of the same duration.
  uint32_t start = d.now();
  d.run("print", "10,400");
  const uint32_t fadeTime = d.now() - start;
  const size_t fadeFrames = seen.size();
  EXPECT_GE(fadeTime, 250u);
  seen.clear();
  start = d.now();
  d.run("flushout", "400");
  EXPECT_EQ(d.now() - start, fadeTime);
  EXPECT_EQ(seen.size(), fadeFrames);
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](uint32_t c) { return c != 0xFF0000u && c != 0xFFFFFFu; }));
  EXPECT_EQ(d.window(5, 5), 0xFFFFFFu);
  EXPECT_EQ(d.window(639, 479), 0xFFFFFFu);
  const DirtyRect& r = d.e().gfx.dirtyRect;
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 480);
  d.e().gfx.effectFrameHook = nullptr;
  d.run("print", "1");
  EXPECT_EQ(d.window(5, 5), 0xFF0000u);
  EXPECT_EQ(d.window(639, 479), 0xFF0000u);
}

TEST(ScreenCommands, PluginTransitionsCrossFadeForTheirDuration) {
  Screen d;
  d.run("bg", "#ff0000,1");
  std::vector<uint32_t> times;
  d.e().gfx.effectFrameHook = [&](Engine& e, int type, int) {
    EXPECT_EQ(type, 10);
    times.push_back(e.platform.timeGetTime());
  };
  // The cross-fade of the same duration, frame for frame.
  uint32_t start = d.now();
  d.run("bg", "#00ff00,10,800");
  const std::vector<uint32_t> fade = times;
  const uint32_t fadeTime = d.now() - start;
  EXPECT_GE(fadeTime, 750u);
  times.clear();
  start = d.now();
  d.run("bg", "white,99,800,\"ripple.dll/fast\"");
  EXPECT_EQ(d.now() - start, fadeTime);
  ASSERT_EQ(times.size(), fade.size());
  EXPECT_EQ(times.back() - times.front(), fade.back() - fade.front());
  EXPECT_EQ(d.window(3, 3), 0xFFFFFFu);

  // In an effect slot the library's name is read where a mask's would be.
  d.run("effect", "5,99,300,\"ripple.dll/slow\"");
  EXPECT_EQ(d.e().gfx.effectTable[5].type, 99);
  EXPECT_EQ(d.e().gfx.effectTable[5].duration, 300);
  EXPECT_EQ(d.e().gfx.effectTable[5].mask, "ripple.dll/slow");
  times.clear();
  start = d.now();
  d.writeFile("sp.bmp", test::solidBmp(20, 10, 0x00FF00));
  d.run("lsp", "1,\":c;sp.bmp\",0,0");
  d.run("print", "5");
  ASSERT_FALSE(times.empty());
  EXPECT_GE(times.back() - start, 200u);
  EXPECT_EQ(d.window(0, 0), 0x00FF00u);
  times.clear();
  d.run("cl", "a,99,200,\"x.dll\"");
  d.run("print", "99,0");
  EXPECT_FALSE(times.empty());

  // A base-language game keeps the base error.
  d.e().script.dialect = Dialect::Base;
  EXPECT_EQ(d.runError("print", "99,800,\"ripple.dll/fast\""),
            "エラー|不正なエフェクト番号です。EFFECT命令をチェックしてください。");
}

TEST(ScreenCommands, PluginLayersAreRecordedAndDrawNothing) {
  Screen d;
  d.writeFile("sp.bmp", test::solidBmp(20, 10, 0x00FF00));
  d.run("bg", "#ff0000,1");
  d.run("lsp", "2,\":c;sp.bmp\",10,10");
  d.run("print", "1");
  const std::vector<uint8_t> before = d.windowPicture();
  const uint32_t start = d.now();
  d.run("setlayer", "3,40,\"flakes.dll\"");
  for (int i = 0; i < 10; ++i) d.run("layermessage", "3,\"wind " + std::to_string(i) + "\"");
  d.run("layermessage", "31,\"nobody\"");
  d.run("layermessage", "500,\"nobody\"");
  EXPECT_EQ(d.now(), start);
  EXPECT_TRUE(d.e().gfx.dirtyRect.empty());
  d.run("print", "1");
  EXPECT_EQ(d.windowPicture(), before);
  EXPECT_EQ(d.e().gfx.pluginLayers[3].plugin, "flakes.dll");
  EXPECT_EQ(d.e().gfx.pluginLayers[3].interval, 40);

  EXPECT_EQ(d.runError("setlayer", "32,40,\"flakes.dll\""), "パラメータエラー|レイヤー番号32は範囲外です。");
  EXPECT_EQ(d.runError("setlayer", "-1,40,\"flakes.dll\""), "パラメータエラー|レイヤー番号-1は範囲外です。");
  // A new game starts without them.
  graphicsResetGame(d.e());
  EXPECT_TRUE(d.e().gfx.pluginLayers[3].plugin.empty());
}

}  // namespace
}  // namespace veloria
