// The remembered answers about a game's programs: per game, damaged records give nothing,
// and the file is neither read through a link nor read when oversized.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/program_consent.h"
#include "support/game_dir.h"

using namespace veloria;

TEST(ProgramConsent, RecordsRoundTripForTheirGameOnly) {
  ProgramConsent c{{"tools/setup.sh", true}, {"設定.sh", false}};
  const std::string text = formatProgramConsent(c, "/games/a b");
  EXPECT_EQ(parseProgramConsent(text, "/games/a b"), c);
  EXPECT_FALSE(parseProgramConsent(text, "/games/a"));
  // A name with a line break cannot be written down, so it is left out.
  EXPECT_EQ(parseProgramConsent(formatProgramConsent({{"a\nallow b", true}}, "/g"), "/g"), ProgramConsent{});
  for (const char* bad : {"", "# Veloria programs\n", "# Veloria programs\ngame /g\nperhaps x\n",
                          "# Veloria programs\ngame /g\nallow \n", "game /g\n# Veloria programs\n"})
    EXPECT_FALSE(parseProgramConsent(bad, "/g")) << bad;
  EXPECT_FALSE(parseProgramConsent(std::string("# Veloria programs\ngame /g\n") + std::string(kMaxConsentRecordBytes, '\n'), "/g"));
}

TEST(ProgramConsent, KeptInTheSettingsFolderAndNeverReadThroughALink) {
  test::GameDir g;
  const std::string config = fs::userConfigDirectory();
  EXPECT_EQ(rememberedConsent(config, "/games/x", "run.sh"), std::nullopt);
  ASSERT_TRUE(rememberConsent(config, "/games/x", "run.sh", true));
  ASSERT_TRUE(rememberConsent(config, "/games/x", "other.sh", false));
  EXPECT_EQ(rememberedConsent(config, "/games/x", "run.sh"), true);
  EXPECT_EQ(rememberedConsent(config, "/games/x", "other.sh"), false);
  EXPECT_EQ(rememberedConsent(config, "/games/y", "run.sh"), std::nullopt);

  // A record planted through a link is not ours: nothing in it counts.
  const std::string path = programConsentPath(config, "/games/z");
  const std::string planted = g.scratch() + "/planted.txt";
  const std::string text = formatProgramConsent({{"evil.sh", true}}, "/games/z");
  ASSERT_TRUE(fs::writeHostFile(planted, text.data(), text.size()));
  ASSERT_EQ(::symlink(planted.c_str(), path.c_str()), 0);
  EXPECT_EQ(rememberedConsent(config, "/games/z", "evil.sh"), std::nullopt);
}
