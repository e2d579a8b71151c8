// Music: CD tracks from the cd/ folder, MIDI through the synthesizer, MP3 streams.
#include <cstdlib>
#include <filesystem>

#include "sound/sound_test_util.h"

namespace veloria::test {
namespace {

constexpr double kAmp = 0.25;

GameFiles cdGame() {
  GameFiles files;
  files["cd/track02.wav"] = toneWav(440, 300, 44100, 1, 16, kAmp);
  files["cd/Track03.WAV"] = toneWav(880, 300, 44100, 1, 16, kAmp);
  files["mark.wav"] = toneWav(1760, 50, 44100, 1, 16, kAmp);
  return files;
}

TEST(SoundCd, TracksLoopOnTheNoticeAndPlayOnceDoesNot) {
  auto r = runRecorded(cdGame(),
                       "cdfadeout 0\nplay \"*2\"\nwait 700\nplay \"*2\"\nwait 300\nplay \"*0\"\nwait 200\n"
                       "playonce \"*9\"\nwait 700\nplayonce \"*3\"\nwait 400");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  // Looping: the track starts again as soon as its end notice is handled.
  EXPECT_GT(r.rec.tone(440, t0 + 310, t0 + 590), 0.2);
  EXPECT_GT(r.rec.tone(440, t0 + 610, t0 + 890), 0.2);
  double stop = t0 + 1000;
  EXPECT_LT(r.rec.rms(stop + 5, stop + 190), 0.001) << "track 0 stops CD audio";
  // A number past the last track plays the last one, once.
  double once = stop + 200;
  EXPECT_GT(r.rec.tone(880, once + 10, once + 290), 0.2);
  EXPECT_LT(r.rec.rms(once + 310, once + 690), 0.001);
  // After it ended, playonce of the same track plays it again.
  EXPECT_GT(r.rec.tone(880, once + 710, once + 990), 0.2);
}

TEST(SoundCd, ARequestForThePlayingTrackDoesNotRestartIt) {
  GameFiles files;
  files["cd/track02.wav"] = toneWav(440, 1000, 44100, 1, 16, kAmp);
  files["mark.wav"] = toneWav(1760, 50, 44100, 1, 16, kAmp);
  auto r = runRecorded(files, "playonce \"*2\"\nwait 600\nplay \"*2\"\nwait 800");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  // Still the first play: it ends 1000 ms after it began, not 1000 ms after the request.
  EXPECT_NEAR(r.rec.lastSound(0.01), t0 + 1000, 3);
}

TEST(SoundCd, FadeOutLowersTheVolumeInNinetyNineStepsThenRestoresIt) {
  GameFiles files;
  files["cd/track01.wav"] = toneWav(441, 6000, 44100, 1, 16, 0.5);
  auto r = runRecorded(files, "cdfadeout 2000\nplay \"*1\"\nwait 500\nplaystop\nplay \"*1\"\nwait 300");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  double fade = t0 + 500;
  // Each 20 ms step holds one volume: n/100 of the track's level for n = 99 down to 1.
  int steps = 0;
  double last = 1.0;
  for (int n = 99; n >= 1; --n) {
    double at = fade + (99 - n) * 20.0;
    double level = r.rec.peak(at + 3, at + 17) / 0.5;
    EXPECT_NEAR(level, n / 100.0, 0.002) << "step " << n;
    if (level < last - 0.005) ++steps;
    last = level;
  }
  EXPECT_EQ(steps, 99);
  // The fade took about two seconds; the next play is heard at the old volume.
  double next = r.rec.onset(fade + 1900, 0.3);
  EXPECT_NEAR(next, fade + 1980, 25);
  EXPECT_NEAR(r.rec.tone(441, next + 10, next + 200), 0.5, 0.02);
}

TEST(SoundCd, FadeOffSwitchedOffAndMissingTracks) {
  GameFiles files = cdGame();
  files["config.txt"] = "cdfadeoff\n";
  auto r = runRecorded(files, "play \"*2\"\nwait 100\nplaystop\nwait 100");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  EXPECT_NEAR(r.rec.lastSound(0.01), t0 + 100, 3) << "cdfadeoff: playstop stops at once";

  RunOptions off;
  std::string dump = (std::filesystem::temp_directory_path() / ("veloria-cd-" + std::to_string(::getpid()) + ".json")).string();
  off.input = "menu 40022\nwait 700\ndump " + dump + "\n";  // ＣＤ－ＤＡ再生 オフ
  auto s = runRecorded(cdGame(), "wait 100\nplay \"*2\"\nwait 300", off);
  EXPECT_EQ(s.run.exitCode, 0);
  EXPECT_LT(s.rec.lastSound(0.01), 0);
  EXPECT_NE(readBytes(dump).find("\"track\":2"), std::string::npos) << "the request is remembered";
  std::filesystem::remove(dump);

  GameFiles gap = cdGame();
  gap["cd/track05.wav"] = gap["cd/track02.wav"];
  auto g = runRecorded(gap, "play \"*4\"");
  EXPECT_EQ(g.run.errorCaption, "ロードエラー");
  EXPECT_NE(g.run.errorMessage.find("cd\\track04"), std::string::npos);

  GameFiles bad = cdGame();
  bad["cd/track02.wav"] = "RIFF garbage";
  auto b = runRecorded(bad, "play \"*2\"");
  EXPECT_EQ(b.run.errorCaption, "CD-DA再生エラー");

  GameFiles none;
  auto n = runRecorded(none, "play \"*2\"\nwait 100\nplaystop\nplay \"*3\"\nwait 100");
  EXPECT_EQ(n.run.exitCode, 0) << "no disc: silent, no message";
}

class SoundMidi : public ::testing::Test {
 protected:
  void SetUp() override {
    // The small General MIDI SoundFont keeps these tests fast.
    const char* small = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    if (std::filesystem::exists(small)) {
      ::setenv("VELORIA_SOUNDFONT", small, 1);
    } else if (!std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2")) {
      GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
  }
};

TEST_F(SoundMidi, PlaysAndTheTimerRestartsALoop) {
  GameFiles files;
  files["a.mid"] = noteMidi(500);
  files["B.MID"] = noteMidi(500, 81);
  auto r = runRecorded(files, "play \"a.mid\"\nwait 1400\nplaystop\nwait 300\nplayonce \"B.MID\"\nwait 1400");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset(0, 0.01);
  ASSERT_GT(t0, 0) << "the synthesizer made no sound";
  EXPECT_GT(r.rec.rms(t0, t0 + 400), 0.005);
  // The sequence ends at 500 ms; within the next timer tick it starts again.
  double again = r.rec.onset(t0 + 520, 0.01);
  EXPECT_GT(again, t0 + 500);
  EXPECT_LT(again, t0 + 640);
  EXPECT_LT(r.rec.rms(t0 + 1420, t0 + 1690), 0.001) << "playstop";
  double once = r.rec.onset(t0 + 1690, 0.01);
  ASSERT_GT(once, 0) << "an extension in capitals is still MIDI";
  EXPECT_LT(r.rec.rms(once + 650, once + 1300), 0.001) << "playonce does not loop";
}

// bgm takes MIDI files too; a looping one starts again from the timer, as play's does.
TEST_F(SoundMidi, BgmPlaysMidiAndLoopsIt) {
  GameFiles files;
  files["bgm/a.MID"] = noteMidi(500);
  auto r = runRecorded(files, "bgm \"bgm\\a.MID\"\nwait 1400\nbgmstop\nwait 300");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset(0, 0.01);
  ASSERT_GT(t0, 0) << "the synthesizer made no sound";
  double again = r.rec.onset(t0 + 520, 0.01);
  EXPECT_GT(again, t0 + 500);
  EXPECT_LT(again, t0 + 640);
  EXPECT_LT(r.rec.rms(t0 + 1420, t0 + 1690), 0.001) << "bgmstop";
}

TEST_F(SoundMidi, BadFilesStaySilent) {
  GameFiles files;
  files["garbage.mid"] = "MThd\0\0\0\6\0\0\0\1\1\xe0MTrk\xff\xff\xff\xff\x90";
  files["text.mid"] = "hello";
  auto r = runRecorded(files, "play \"garbage.mid\"\nwait 300\nplay \"text.mid\"\nwait 300");
  EXPECT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  EXPECT_LT(r.rec.lastSound(0.01), 0);
  EXPECT_NE(r.run.stderrText.find("not a standard MIDI file"), std::string::npos);
}

// How many times `needle` occurs in `text`.
size_t occurrences(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

TEST_F(SoundMidi, ALoopThatEndsAtOnceIsNotStartedAgain) {
  GameFiles files;
  // A header announcing a track that is not there: the player stops before its first tick.
  files["garbage.mid"] = std::string("MThd\0\0\0\6\0\0\0\1\1\xe0", 14);
  files["a.mid"] = noteMidi(200);
  auto r = runRecorded(files, "play \"garbage.mid\"\nwait 1000\nplay \"a.mid\"\nwait 600");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  EXPECT_EQ(occurrences(r.run.stderrText, "garbage.mid: it ends as soon as it starts"), 1u) << r.run.stderrText;
  // A playable MIDI still loops afterwards.
  double t0 = r.rec.onset(0, 0.01);
  ASSERT_GT(t0, 0);
  EXPECT_GT(r.rec.onset(t0 + 220, 0.01), t0 + 200);
  EXPECT_EQ(occurrences(r.run.stderrText, "a.mid"), 0u) << r.run.stderrText;
}

TEST(SoundCd, ALoopingTrackWithoutFramesIsNotRestarted) {
  GameFiles files;
  files["cd/track02.wav"] = wavHeader(44100, 1, 16, 0);
  files["empty.wav"] = wavHeader(44100, 1, 16, 0);
  auto r = runRecorded(files, "play \"*2\"\nwaveloop \"empty.wav\"\nwait 1000");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  EXPECT_EQ(occurrences(r.run.stderrText, "track02: it ends as soon as it starts"), 1u) << r.run.stderrText;
  EXPECT_EQ(occurrences(r.run.stderrText, "empty.wav: it ends as soon as it starts"), 1u) << r.run.stderrText;
}

TEST(SoundMp3, PlaysOnceLoopsAndStops) {
  std::string mp3 = (std::filesystem::temp_directory_path() / ("veloria-" + std::to_string(::getpid()) + ".mp3")).string();
  if (!makeWithFfmpeg("-f lavfi -i sine=frequency=440:duration=0.5:sample_rate=22050 -ac 1 -b:a 64k", mp3))
    GTEST_SKIP() << "the ffmpeg tool is not installed";
  GameFiles files;
  files["a.mp3"] = readBytes(mp3);
  files["bad.mp3"] = std::string(5000, '\xff');
  std::filesystem::remove(mp3);
  auto r = runRecorded(files,
                       "mp3 \"a.mp3\"\nwait 1000\nmp3loop \"a.mp3\"\nwait 1600\nmp3 \"\"\nwait 300\nmp3 \"bad.mp3\"\nwait 300");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_GT(r.rec.tone(440, t0 + 50, t0 + 450), 0.1);
  EXPECT_LT(r.rec.rms(t0 + 620, t0 + 990), 0.002) << "mp3 plays once";
  double loop = t0 + 1000;
  EXPECT_GT(r.rec.tone(440, loop + 650, loop + 950), 0.1) << "mp3loop starts a new pass";
  EXPECT_GT(r.rec.tone(440, loop + 1150, loop + 1450), 0.1);
  EXPECT_LT(r.rec.rms(loop + 1610, loop + 2200), 0.002) << "an empty name stops the MP3; garbage plays nothing";
}

}  // namespace
}  // namespace veloria::test
