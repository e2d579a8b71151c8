// Whole games through the interpreter: scene commands read their arguments from real script
// lines, and errors name the script line.
#include <gtest/gtest.h>

#include "support/gfx_engine.h"
#include "support/game_runner.h"

namespace veloria {
namespace {

using test::GameFiles;
using test::pixelAt;
using test::runGame;

TEST(GraphicsGame, SceneOnTheWindow) {
  GameFiles files;
  files["sp.bmp"] = test::solidBmp(20, 10, 0x00FF00);
  files["0.txt"] =
      "*define\n"
      "effect 2,10,100\n"
      "game\n"
      "*start\n"
      "bg #ff0000,1\n"
      "lsp 3,\":c;sp.bmp\",100,50\n"
      "print 2\n"
      "lsph 4,\":c;sp.bmp\",300,50\n"
      "vsp 4,1\n"
      "msp 4,10,0\n"
      "print 1\n"
      "end\n";
  auto run = runGame(files);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_EQ(pixelAt(run, 0, 0), 0xFF0000u);
  EXPECT_EQ(pixelAt(run, 100, 50), 0x00FF00u);
  EXPECT_EQ(pixelAt(run, 119, 59), 0x00FF00u);
  EXPECT_EQ(pixelAt(run, 120, 59), 0xFF0000u);
  EXPECT_EQ(pixelAt(run, 310, 50), 0x00FF00u);
  EXPECT_EQ(pixelAt(run, 305, 50), 0xFF0000u);
}

TEST(GraphicsGame, ErrorsNameTheLine) {
  GameFiles files;
  files["0.txt"] = "*define\ngame\n*start\nbg black,1\nld c,\":l/3,160;x.bmp\",1\nend\n";
  auto run = runGame(files);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.errorCaption, "タグエラー");
  EXPECT_NE(run.errorMessage.find("タグの指定がおかしいです。"), std::string::npos);
  EXPECT_NE(run.errorMessage.find("0.txt line:5"), std::string::npos);

  files["0.txt"] = "*define\neffect 1,2,100\ngame\n*start\nend\n";
  auto run2 = runGame(files);
  EXPECT_EQ(run2.errorCaption, "パラメータエラー");
}

}  // namespace
}  // namespace veloria
