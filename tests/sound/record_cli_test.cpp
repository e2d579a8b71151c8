// --record-audio as authors' CI uses it: the binary writes the mix on the virtual clock.
#include <sys/wait.h>

#include <cstdio>

#include "platform/text_codec.h"
#include "sound/sound_test_util.h"
#include "support/game_dir.h"

namespace veloria::test {
namespace {

int runBinary(const std::string& args) {
  std::string cmd = std::string(VELORIA_BINARY) + " " + args + " >/dev/null 2>&1";
  int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SoundRecordOption, WritesTheWholeRunAndNeedsHeadless) {
  GameDir game({{"0.txt", utf8ToSjis("*define\ngame\n*start\nwait 1000\nwave \"a.wav\"\nwait 500\nend\n")},
                {"a.wav", toneWav(440, 200, 44100, 1, 16, 0.25)}});
  std::string out = game.path() + "/../rec-" + std::to_string(::getpid()) + ".wav";
  EXPECT_EQ(runBinary("--record-audio '" + out + "' '" + game.path() + "'"), 2) << "needs --headless";
  ASSERT_EQ(runBinary("--headless --record-audio '" + out + "' '" + game.path() + "'"), 0);
  std::string bytes = readBytes(out);
  std::remove(out.c_str());
  ASSERT_GT(bytes.size(), 44u);
  // A 16-bit stereo PCM file at 44.1 kHz whose header gives the real data size.
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
  auto le = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= uint32_t{static_cast<uint8_t>(bytes[at + i])} << (8 * i);
    return v;
  };
  EXPECT_EQ(le(22, 2), 2u);
  EXPECT_EQ(le(24, 4), 44100u);
  EXPECT_EQ(le(34, 2), 16u);
  EXPECT_EQ(le(40, 4), bytes.size() - 44);
  // The run lasted a little over 1.5 s of virtual time; the tone sits one second in.
  double seconds = static_cast<double>(bytes.size() - 44) / (44100 * 4);
  EXPECT_GT(seconds, 1.5);
  EXPECT_LT(seconds, 3.0);
}

}  // namespace
}  // namespace veloria::test
