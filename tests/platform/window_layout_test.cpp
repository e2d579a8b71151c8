// The real window's picture at any size: where it goes, and where clicks land in the game.
#include <gtest/gtest.h>

#include "platform/window_layout.h"

using namespace veloria;

namespace {

ScaleLayout windowed(int ww, int wh, ScaleMode mode = ScaleMode::Sharp, int cw = 640, int ch = 480) {
  return computeScaleLayout(cw, ch, ww, wh, ww, wh, mode, false);
}

void expectRect(const PixelRect& r, int x, int y, int w, int h) {
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.w, w);
  EXPECT_EQ(r.h, h);
}

void expectClient(const ScaleLayout& l, int wx, int wy, int cx, int cy) {
  WindowPoint c = l.toClient(wx, wy);
  EXPECT_EQ(c.x, cx) << "window " << wx << "," << wy;
  EXPECT_EQ(c.y, cy) << "window " << wx << "," << wy;
}

}  // namespace

TEST(WindowScaling, OneTimesMapsClicksOneToOne) {
  ScaleLayout l = windowed(640, 500);
  expectRect(l.picture, 0, 20, 640, 480);
  expectRect(l.strip, 0, 0, 640, 20);
  EXPECT_EQ(l.uiScale, 1);
  EXPECT_TRUE(l.sharp);
  expectClient(l, 0, 20, 0, 0);
  expectClient(l, 639, 499, 639, 479);
  expectClient(l, 320, 260, 320, 240);
  // The strip is above the client.
  EXPECT_FALSE(l.insideClient(l.toClient(5, 19)));
  EXPECT_TRUE(l.insideClient(l.toClient(5, 20)));
}

TEST(WindowScaling, TwiceTheSizeMakesEveryGamePixelATwoByTwoBlock) {
  ScaleLayout l = windowed(1280, 1000);
  expectRect(l.picture, 0, 40, 1280, 960);
  expectRect(l.strip, 0, 0, 1280, 40);
  EXPECT_EQ(l.uiScale, 2);
  EXPECT_TRUE(l.sharp);
  for (int x = 0; x < 1280; ++x) ASSERT_EQ(l.toClient(x, 40).x, x / 2) << x;
  for (int y = 40; y < 1000; ++y) ASSERT_EQ(l.toClient(0, y).y, (y - 40) / 2) << y;
  EXPECT_FALSE(l.insideClient(l.toClient(100, 39)));
}

TEST(WindowScaling, FractionalSizeSharpCentresTheLargestWholeStepSmoothFills) {
  // 1000x800: 1x is the largest whole step; the rest is black border.
  ScaleLayout sharp = windowed(1000, 800);
  expectRect(sharp.picture, 180, 170, 640, 480);
  EXPECT_TRUE(sharp.sharp);
  // The border's last pixel and the picture's first on every side.
  EXPECT_FALSE(sharp.insideClient(sharp.toClient(179, 300)));
  expectClient(sharp, 180, 300, 0, 130);
  expectClient(sharp, 819, 300, 639, 130);
  EXPECT_FALSE(sharp.insideClient(sharp.toClient(820, 300)));
  EXPECT_FALSE(sharp.insideClient(sharp.toClient(500, 169)));
  expectClient(sharp, 500, 170, 320, 0);
  expectClient(sharp, 500, 649, 320, 479);
  EXPECT_FALSE(sharp.insideClient(sharp.toClient(500, 650)));

  // Smooth fills the width at 1.5625x, aspect kept: bands above and below only.
  ScaleLayout smooth = windowed(1000, 800, ScaleMode::Smooth);
  expectRect(smooth.picture, 0, 35, 1000, 750);
  EXPECT_FALSE(smooth.sharp);
  expectClient(smooth, 0, 35, 0, 0);
  expectClient(smooth, 999, 784, 639, 479);
  EXPECT_FALSE(smooth.insideClient(smooth.toClient(500, 34)));
  EXPECT_FALSE(smooth.insideClient(smooth.toClient(500, 785)));
  // Every window column shows one game column, in order, and every game column is shown.
  int last = -1;
  for (int x = 0; x < 1000; ++x) {
    int c = smooth.toClient(x, 400).x;
    ASSERT_TRUE(c == last || c == last + 1) << x;
    last = c;
  }
  EXPECT_EQ(last, 639);
}

TEST(WindowScaling, SharpTurnsSmoothOnlyWhenTheWindowIsSmallerThanTheGame) {
  ScaleLayout small = windowed(400, 330);
  EXPECT_EQ(small.uiScale, 1);
  expectRect(small.picture, 0, 25, 400, 300);
  EXPECT_FALSE(small.sharp);
  expectClient(small, 399, 324, 639, 479);
  // A smooth fit that happens to be a whole multiple needs no filtering.
  EXPECT_TRUE(windowed(1280, 1000, ScaleMode::Smooth).sharp);
  // ;mode800 games scale the same way.
  ScaleLayout big = windowed(1600, 1240, ScaleMode::Sharp, 800, 600);
  expectRect(big.picture, 0, 40, 1600, 1200);
  expectClient(big, 1599, 1239, 799, 599);
}

TEST(WindowScaling, HighDpiPointsAreMappedThroughTheDrawable) {
  // A 640x500-point window drawn on 1280x1000 pixels: mouse positions come in points.
  ScaleLayout l = computeScaleLayout(640, 480, 640, 500, 1280, 1000, ScaleMode::Sharp, false);
  expectRect(l.picture, 0, 40, 1280, 960);
  EXPECT_EQ(l.uiScale, 2);
  EXPECT_EQ(l.strip.h, 40);  // still 20 points tall
  WindowPoint d = l.toDrawable(10, 20);
  EXPECT_EQ(d.x, 20);
  EXPECT_EQ(d.y, 40);
  expectClient(l, 10, 20, 10, 0);
  expectClient(l, 639, 499, 639, 479);
  EXPECT_FALSE(l.insideClient(l.toClient(10, 19)));
}

TEST(WindowScaling, FullScreenLetterboxesWithTheStripOverThePicture) {
  ScaleLayout sharp = computeScaleLayout(640, 480, 1920, 1080, 1920, 1080, ScaleMode::Sharp, true);
  expectRect(sharp.picture, 320, 60, 1280, 960);
  expectRect(sharp.strip, 320, 60, 1280, 40);
  EXPECT_EQ(sharp.uiScale, 2);
  EXPECT_FALSE(sharp.insideClient(sharp.toClient(319, 500)));
  expectClient(sharp, 320, 60, 0, 0);
  expectClient(sharp, 1599, 1019, 639, 479);
  EXPECT_FALSE(sharp.insideClient(sharp.toClient(1600, 500)));
  EXPECT_FALSE(sharp.insideClient(sharp.toClient(900, 59)));

  ScaleLayout smooth = computeScaleLayout(640, 480, 1920, 1080, 1920, 1080, ScaleMode::Smooth, true);
  expectRect(smooth.picture, 240, 0, 1440, 1080);
  EXPECT_FALSE(smooth.sharp);
  // The strip never covers more than the 20 game rows the menu shows itself in.
  EXPECT_LE(smooth.strip.h, 20 * smooth.picture.h / 480);
  EXPECT_FALSE(smooth.insideClient(smooth.toClient(1919, 1079)));  // the right border
  expectClient(smooth, 1679, 1079, 639, 479);
}

TEST(WindowScaling, GamePixelsRoundTripThroughTheWindow) {
  struct Case {
    int cw, ch, ww, wh, dw, dh;
    ScaleMode mode;
    bool fullscreen;
  };
  const Case cases[] = {
      {640, 480, 640, 500, 640, 500, ScaleMode::Sharp, false},
      {640, 480, 1280, 1000, 1280, 1000, ScaleMode::Sharp, false},
      {640, 480, 1923, 1517, 1923, 1517, ScaleMode::Sharp, false},
      {640, 480, 1000, 800, 1000, 800, ScaleMode::Smooth, false},
      {640, 480, 777, 613, 777, 613, ScaleMode::Smooth, false},
      {640, 480, 960, 750, 1920, 1500, ScaleMode::Smooth, false},
      {640, 480, 1920, 1080, 1920, 1080, ScaleMode::Smooth, true},
      {800, 600, 1366, 768, 1366, 768, ScaleMode::Sharp, true},
      {800, 600, 1366, 768, 1366, 768, ScaleMode::Smooth, true},
  };
  for (const Case& c : cases) {
    ScaleLayout l = computeScaleLayout(c.cw, c.ch, c.ww, c.wh, c.dw, c.dh, c.mode, c.fullscreen);
    SCOPED_TRACE(testing::Message() << c.ww << "x" << c.wh << " on " << c.dw << "x" << c.dh);
    for (int x = 0; x < c.cw; ++x) {
      WindowPoint w = l.clientToWindow(x, x * c.ch / c.cw);
      WindowPoint back = l.toClient(w.x, w.y);
      ASSERT_EQ(back.x, x);
      ASSERT_EQ(back.y, x * c.ch / c.cw);
    }
  }
}

TEST(WindowScaling, DegenerateSizesMapNothingIntoTheClient) {
  ScaleLayout none = computeScaleLayout(640, 480, 0, 0, 0, 0, ScaleMode::Sharp, false);
  EXPECT_FALSE(none.insideClient(none.toClient(0, 0)));
  ScaleLayout stripOnly = windowed(640, 20);
  EXPECT_FALSE(stripOnly.insideClient(stripOnly.toClient(10, 10)));
  ScaleLayout noClient = computeScaleLayout(0, 0, 640, 500, 640, 500, ScaleMode::Sharp, false);
  EXPECT_FALSE(noClient.insideClient(noClient.toClient(10, 30)));
}

TEST(WindowScaling, FirstSizeIsClampedToTheDesktopInWholeSteps) {
  EXPECT_EQ(fitWholeScale(2, 640, 500, 1600, 1200), 2);
  EXPECT_EQ(fitWholeScale(3, 640, 500, 1600, 1200), 2);
  EXPECT_EQ(fitWholeScale(4, 640, 500, 3840, 2160), 4);
  EXPECT_EQ(fitWholeScale(5, 640, 500, 3840, 2160), 4);
  // Never below 1x, even on a desktop smaller than the game.
  EXPECT_EQ(fitWholeScale(2, 800, 620, 640, 480), 1);
  // An unknown desktop takes the request as it is.
  EXPECT_EQ(fitWholeScale(3, 640, 500, 0, 0), 3);
}
