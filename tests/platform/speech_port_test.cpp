// The voices: the record a headless run keeps, and the speech service port on a machine
// where the service cannot be found.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/speech/speech_port.h"
#include "support/game_dir.h"
#include "support/scoped_env.h"

using namespace veloria;
using namespace veloria::test;

TEST(SpeechRecord, EachUtteranceIsOneLineOnTheGivenClockAndStopsStayInMemory) {
  GameDir dir;
  const std::string path = dir.scratch() + "/speech.txt";
  uint32_t now = 40;
  RecordingSpeechPort port(path, [&now] { return now; });
  EXPECT_TRUE(port.available());
  port.speak("一行目\n二行目\r", "ja");
  now = 1250;
  port.stop();
  port.speak("Save", "en");
  // Written as it is said, not only when the port goes.
  auto data = fs::readHostFile(path);
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->end()), "40\t一行目 二行目 \n1250\tSave\n");
  ASSERT_EQ(port.events().size(), 3u);
  EXPECT_EQ(port.events()[0].language, "ja");
  EXPECT_TRUE(port.events()[1].stop);
  EXPECT_EQ(port.events()[1].timeMs, 1250u);
  EXPECT_EQ(port.events()[2].language, "en");

  // A file that cannot be written still leaves the run its memory of what was said.
  RecordingSpeechPort lost(dir.scratch() + "/no/such/folder/speech.txt", [] { return 0u; });
  lost.speak("x", "en");
  EXPECT_EQ(lost.events().size(), 1u);
}

TEST(SpeechService, WithoutTheServiceThePortIsNotAvailableAndSpeakingDoesNothing) {
  GameDir dir;
  ScopedEnv address("SPEECHD_ADDRESS", nullptr);
  ScopedEnv runtime("XDG_RUNTIME_DIR", dir.scratch().c_str());
  ScopedEnv path("PATH", dir.scratch().c_str());
  auto port = makeSpeechServicePort();
  EXPECT_FALSE(port->available());
  port->speak("はい", "ja");
  port->stop();
  EXPECT_FALSE(port->available());
  EXPECT_FALSE(makeSilentSpeechPort()->available());
}
