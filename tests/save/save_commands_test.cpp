// The save commands a script of the later dialect calls itself: savegame, loadgame with the
// loadgosub hook, savetime, and errorsave after a fatal error.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "../text/text_harness.h"

namespace veloria::test {
namespace {

std::string laterGame(const std::string& body, const std::string& define = "") {
  return ";value 200\n" + game(body, define);
}

std::string slotBytes(int slot) {
  auto d = fs::readHostFile(TextGameDir::current().dir->path() + "/save" + std::to_string(slot) + ".dat");
  return d ? std::string(d->begin(), d->end()) : std::string("<missing>");
}

TEST(SaveCommands, SavegameWritesTheSavePointAndLoadgameRunsTheHook) {
  // %200 and %201 are global: a load does not put them back.
  auto r = runText(laterGame("mov %1,5\nsavegame 5\nadd %200,1\nmov %1,9\n"
                             "if %200 = 1 loadgame 5\nend\n*onload\nadd %201,1\nmov %2,%1\nreturn\n",
                             "loadgosub *onload\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  EXPECT_EQ(var(e, 200), 2);  // the statements after the save ran twice
  EXPECT_EQ(var(e, 201), 1);  // the hook once, after the load
  EXPECT_EQ(var(e, 2), 5);    // and it saw the loaded game
  // Slots past the menu's twenty are reachable, 0 included.
  r = runText(laterGame("savegame 0\nsavegame 999\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_NE(slotBytes(0), "<missing>");
  EXPECT_NE(slotBytes(999), "<missing>");
}

// A text sprite is saved by its name: the load draws it again, from the loaded variables.
TEST(SaveCommands, ALoadDrawsTextSpritesAgain) {
  auto r = runText(laterGame("mov $1,\"ＡＢ\"\n"
                             "lsp 10,\":s#ffffff#ff0000$1\",20,20\n"
                             "savegame 5\n"
                             "if %200 = 1 goto *done\n"
                             "add %200,1\n"
                             "mov $1,\"xyz\"\n"
                             "csp -1\n"
                             "loadgame 5\n"
                             "*done\n"
                             "end\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  EXPECT_EQ(var(e, 200), 1);
  const Sprite& s = e.gfx.sprites[10];
  EXPECT_EQ(s.name, ":s#ffffff#ff0000$1");
  EXPECT_EQ(s.image.cellCount, 2);
  EXPECT_EQ(s.image.visibleWidth(), 2 * e.text.pitchX);
}

TEST(SaveCommands, MissingSlotsAndRanges) {
  // A missing slot: a warning, and the next statement.
  auto r = runText(laterGame("loadgame 3\nmov %1,1\nsavetime 7,%2,%3,%4,%5\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 1);
  for (int i = 2; i <= 5; ++i) EXPECT_EQ(var(r.e(), i), 0);

  // An existing one gives its month (1..12).
  r = runText(laterGame("savegame 7\nsavetime 7,%2,%3,%4,%5\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_GE(var(r.e(), 2), 1);
  EXPECT_LE(var(r.e(), 2), 12);

  for (const char* bad : {"savegame 1000", "loadgame -1"}) {
    r = runText(laterGame(std::string(bad) + "\nend\n"));
    EXPECT_EQ(r.exitCode, 1) << bad;
    EXPECT_EQ(r.errorCaption(), "パラメータエラー") << bad;
  }
  r = runText(laterGame("savetime 1,$1,%2,%3,%4\nend\n"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.errorMessage().rfind("savetimeの第二引数以降は数字変数です。", 0), 0u) << r.errorMessage();
}

TEST(SaveCommands, ErrorsaveWritesSlot999BeforeTheShutDown) {
  auto r = runText(laterGame("mov %1,3\ngoto *nowhere\n", "errorsave\n"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(TextGameDir::current().dir->exists("save999.dat"));
  // Without it, nothing is written.
  useGameFiles({});
  r = runText(laterGame("mov %1,3\ngoto *nowhere\n"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(TextGameDir::current().dir->exists("save999.dat"));
}

}  // namespace
}  // namespace veloria::test
