// The wave sound, voices and the 50 channels, heard through the recorded headless mix.
#include "sound/sound_test_util.h"

namespace veloria::test {
namespace {

constexpr double kAmp = 0.25;

TEST(SoundWave, StartsLoopsOnTheTimerAndStops) {
  GameFiles files;
  files["a.wav"] = toneWav(440, 300, 22050, 1, 16, kAmp);  // another rate: converted on load
  files["b.wav"] = toneWav(880, 200, 44100, 2, 16, kAmp);
  auto r = runRecorded(files, "wave \"a.wav\"\nwait 1000\nwaveloop \"b.wav\"\nwait 1000\nwavestop\nwait 500");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_NEAR(r.rec.tone(440, t0 + 20, t0 + 280), kAmp, 0.03);
  EXPECT_LT(r.rec.rms(t0 + 320, t0 + 995), 0.005);
  // The second sound starts exactly when the wait ends.
  // (A wait ends on the first poll of the queue after its time: up to a millisecond late.)
  EXPECT_NEAR(r.rec.onset(t0 + 900), t0 + 1001, 2);
  EXPECT_NEAR(r.rec.tone(880, t0 + 1010, t0 + 1190), kAmp, 0.03);
  // It ends after 200 ms; the 100 ms timer starts it again from the top.
  double again = r.rec.onset(t0 + 1215);
  EXPECT_GT(again, t0 + 1200);
  EXPECT_LE(again, t0 + 1305);
  EXPECT_GT(r.rec.tone(880, t0 + 1750, t0 + 1950), 0.0) << "still looping before wavestop";
  EXPECT_LT(r.rec.rms(t0 + 2010, t0 + 2450), 0.001);
}

TEST(SoundWave, EmptyNameStopsAndOnlyVoicesAreCutByAClick) {
  GameFiles files;
  files["long.wav"] = toneWav(440, 2500, 44100, 1, 16, kAmp);
  files["voice/12.wav"] = toneWav(660, 2500, 44100, 1, 16, kAmp);
  RunOptions o;
  // Clicks at 1.5 s (during the voice) and 4.5 s (during the plain wave sound).
  o.input = "wait 1500\nclick 10 10\nwait 3000\nclick 10 10\n";
  auto r = runRecorded(files,
                       "v12\nwait 3000\nwave \"long.wav\"\nwait 3000\n"
                       "wave \"long.wav\"\nwait 200\nwave \"\"\nwait 500",
                       o);
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  ASSERT_LT(t0, 1400);
  EXPECT_GT(r.rec.tone(660, t0, 1490), 0.2);
  EXPECT_LT(r.rec.rms(1505, t0 + 2990), 0.001) << "the voice is cut off by the click";
  double t1 = t0 + 3000;
  EXPECT_GT(r.rec.tone(440, 4510, t1 + 2490), 0.2) << "a wave sound is not cut by a click";
  double t2 = t1 + 3000;
  EXPECT_GT(r.rec.tone(440, t2 + 10, t2 + 190), 0.2);
  EXPECT_LT(r.rec.rms(t2 + 210, t2 + 690), 0.001) << "wave \"\" stops the sound";
}

TEST(SoundWave, WaveOffAndSkipModeKeepSilent) {
  GameFiles files;
  files["a.wav"] = toneWav(440, 300, 44100, 1, 16, kAmp);
  RunOptions off;
  off.input = "menu 40018\n";  // ＷＡＶＥ オフ
  auto r = runRecorded(files, "wait 100\nwave \"missing.wav\"\ndsound\ndwave 1,\"missing.wav\"\nwave \"a.wav\"\nv1\nwait 500",
                       off);
  EXPECT_EQ(r.run.exitCode, 0) << "nothing at all happens, not even for a missing file: " << r.run.stderrText;
  EXPECT_LT(r.rec.lastSound(0.01), 0);

  RunOptions skip;
  skip.input = "menu 40006\n";  // 選択肢まで進む: skip mode (no read marks)
  auto s = runRecorded(files, "wait 100\nwave \"a.wav\"\nwait 500\nmode_wave_demo\nwave \"a.wav\"\nwait 500", skip);
  ASSERT_EQ(s.run.exitCode, 0) << s.run.stderrText;
  double t = s.rec.onset();
  ASSERT_GT(t, 0) << "mode_wave_demo lets sound play in skip mode";
  EXPECT_LT(s.rec.rms(0, t - 1), 0.001);
  EXPECT_GT(s.rec.tone(440, t, t + 290), 0.2);
}

TEST(SoundWave, MissingAndUnconvertibleFilesFollowTheFileRules) {
  GameFiles files;
  files["a.ogg"] = "not really";
  files["LOUD.WAV"] = toneWav(440, 200, 44100, 1, 16, kAmp);
  auto r = runRecorded(files, "wave \"nothing.wav\"");
  EXPECT_EQ(r.run.exitCode, 1);
  EXPECT_EQ(r.run.errorCaption, "ロードエラー");
  EXPECT_NE(r.run.errorMessage.find("ファイルnothing.wavを開けません。"), std::string::npos);

  // Another extension needs a sound-press plug-in; without one it is the same error.
  auto o = runRecorded(files, "wave \"a.ogg\"");
  EXPECT_EQ(o.run.errorCaption, "ロードエラー");

  // With noloaderror the script goes on; capitals in the extension still mean a wave file.
  auto n = runRecorded(files, "wave \"nothing.wav\"\nwave \"a.ogg\"\nwave \"LOUD.WAV\"\nwait 300", {},
                       "noloaderror\n");
  EXPECT_EQ(n.run.exitCode, 0) << n.run.stderrText;
  double t = n.rec.onset();
  ASSERT_GT(t, 0);
  EXPECT_GT(n.rec.tone(440, t, t + 190), 0.2);
}

TEST(SoundChannels, PlayTogetherAndAReplacementLeavesOthersAlone) {
  GameFiles files;
  files["a.wav"] = toneWav(440, 1000, 44100, 1, 16, kAmp);
  files["b.wav"] = toneWav(880, 1000, 22050, 1, 8, kAmp);
  files["c.wav"] = toneWav(1320, 1000, 44100, 2, 16, kAmp);
  files["tick.wav"] = toneWav(660, 100, 44100, 1, 16, kAmp);
  auto r = runRecorded(files,
                       "dsound\ndwave 3,\"a.wav\"\ndwave 4,\"b.wav\"\nwait 200\ndwave 3,\"c.wav\"\nwait 400\n"
                       "dwavestop 4\ndwaveloop 5,\"tick.wav\"\nwait 500\ndwave 5,\"\"\nwait 300");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_NEAR(r.rec.tone(440, t0 + 10, t0 + 190), kAmp, 0.03);
  EXPECT_NEAR(r.rec.tone(880, t0 + 10, t0 + 190), kAmp, 0.04);
  // Channel 3 now plays c; channel 4 goes on untouched.
  EXPECT_LT(r.rec.tone(440, t0 + 210, t0 + 590), 0.01);
  EXPECT_NEAR(r.rec.tone(1320, t0 + 210, t0 + 590), kAmp, 0.03);
  EXPECT_NEAR(r.rec.tone(880, t0 + 210, t0 + 590), kAmp, 0.04);
  // After dwavestop 4, the looping tick sounds without a gap for as long as it runs.
  EXPECT_LT(r.rec.tone(880, t0 + 610, t0 + 1090), 0.01);
  for (double at = t0 + 610; at < t0 + 1080; at += 50)
    EXPECT_NEAR(r.rec.tone(660, at, at + 45), kAmp, 0.05) << "at " << at - t0;
  EXPECT_LT(r.rec.tone(660, t0 + 1110, t0 + 1390), 0.01) << "an empty name stops the channel";
}

TEST(SoundChannels, BeforeDsoundAndOutsideTheRangeNothingPlays) {
  GameFiles files;
  files["a.wav"] = toneWav(440, 300, 44100, 1, 16, kAmp);
  auto r = runRecorded(files,
                       "dwave 1,\"a.wav\"\ndwaveloop 2,\"a.wav\"\ndwavestop 1\nwait 100\n"
                       "dsound\ndsound\ndwave 50,\"a.wav\"\ndwave -1,\"a.wav\"\ndwavestop 99\nwait 400");
  EXPECT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  EXPECT_LT(r.rec.lastSound(0.01), 0);
  EXPECT_NE(r.run.stderrText.find("dsound has not been given"), std::string::npos);
  EXPECT_NE(r.run.stderrText.find("channels are 0-49"), std::string::npos);
}

TEST(SoundChannels, ReadTheFileByScanningForFmtAndData) {
  GameFiles files;
  // A data chunk followed by another chunk: only the declared data plays, not the chunk after.
  std::string tone = toneWav(440, 200, 44100, 1, 16, kAmp);
  files["tail.wav"] = tone + "LIST" + std::string(4, '\0') + std::string(44100, '\x7f');
  // No "data" at all: nothing happens, and no message.
  files["nodata.wav"] = tone.substr(0, 36);
  // A format the channels do not take (ADPCM): nothing.
  files["adpcm.wav"] = wavHeader(22050, 1, 4, 100, 2) + std::string(100, '\x11');
  auto r = runRecorded(files, "dsound\ndwave 0,\"nodata.wav\"\ndwave 1,\"adpcm.wav\"\nwait 100\ndwave 2,\"tail.wav\"\nwait 1500");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_NEAR(r.rec.lastSound(0.01), t0 + 200, 2);
}

}  // namespace
}  // namespace veloria::test

namespace veloria::test {
namespace {

TEST(SoundWave, AClickWaitPlaysItsClickVoiceWhenItEnds) {
  GameFiles files;
  files["click.wav"] = toneWav(440, 200, 44100, 1, 16, 0.25);
  RunOptions o;
  o.input = "wait 2000\nclick 10 10\n";
  auto r = runRecorded(files, "clickvoice \"click.wav\",\"\"\nあ@\nwait 500", o);
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t = r.rec.onset();
  EXPECT_GE(t, 2000);
  EXPECT_LT(t, 2010);
  EXPECT_GT(r.rec.tone(440, t, t + 190), 0.2);
}

}  // namespace
}  // namespace veloria::test
