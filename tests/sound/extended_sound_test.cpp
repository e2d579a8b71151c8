// The extended dialect's sound: 200 channels with their own volumes, sounds loaded ahead of
// playing, the bgm music with its fade, and what stop and a load do to it; heard through the
// recorded headless mix.
#include "save/save_items.h"
#include "sound/sound_test_util.h"

namespace veloria::test {
namespace {

constexpr double kAmp = 0.5;

std::string dumpPath(const char* tag) {
  return (std::filesystem::temp_directory_path() /
          ("veloria-ext-" + std::string(tag) + "-" + std::to_string(::getpid()) + ".json"))
      .string();
}

GameFiles tones() {
  GameFiles files;
  files["a.wav"] = toneWav(440, 300, 44100, 1, 16, kAmp);
  files["mark.wav"] = toneWav(1760, 50, 44100, 1, 16, kAmp);
  files["song.wav"] = toneWav(440, 3000, 44100, 1, 16, kAmp);
  files["other.wav"] = toneWav(880, 3000, 44100, 1, 16, kAmp);
  files["loop.wav"] = toneWav(660, 3000, 44100, 1, 16, kAmp);
  return files;
}

TEST(ExtendedSound, ChannelAndGlobalVolumesAreLinearAndApplyAtOnce) {
  RunOptions o;
  const std::string dump = dumpPath("volumes");
  o.input = "wait 2400\ndump " + dump + "\n";
  auto r = runRecorded(tones(),
                       "dwave 12,\"a.wav\"\nwait 400\n"
                       "chvol 12,50\ndwave 12,\"a.wav\"\nwait 400\n"
                       "sevol 80\ndwave 12,\"a.wav\"\nwait 400\n"
                       "dwaveloop 150,\"a.wav\"\nwait 200\nchvol 150,0\nwait 300\n"
                       "voicevol 50\nchvol 0,50\ndwave 0,\"a.wav\"\nwait 800",
                       o);
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  const double t0 = r.rec.onset();
  ASSERT_GT(t0, 0) << "channels play without dsound";
  const double full = r.rec.peak(t0, t0 + 290);
  EXPECT_NEAR(full, kAmp, 0.01);
  // chvol 50 halves the amplitude of the same sound; sevol 80 then gives 0.8 x 0.5.
  EXPECT_NEAR(r.rec.peak(t0 + 410, t0 + 690) / full, 0.5, 0.01);
  EXPECT_NEAR(r.rec.peak(t0 + 810, t0 + 1090) / full, 0.4, 0.01);
  // Channel 150 exists; it plays at sevol alone, and chvol 0 mutes it while it plays.
  EXPECT_NEAR(r.rec.peak(t0 + 1210, t0 + 1395) / full, 0.8, 0.01);
  EXPECT_LT(r.rec.peak(t0 + 1410, t0 + 1695), 0.001);
  // Channel 0 takes voicevol instead of sevol.
  EXPECT_NEAR(r.rec.peak(t0 + 1715, t0 + 1990) / full, 0.25, 0.01);
  const std::string state = readBytes(dump);
  std::filesystem::remove(dump);
  EXPECT_NE(state.find("\"volumes\":{\"music\":100,\"se\":80,\"voice\":50}"), std::string::npos) << state;
}

TEST(ExtendedSound, ChannelNumbersOutsideTheTableStopTheScript) {
  auto r = runRecorded(tones(), "bgmfadeout 0\ndwavestop 199\ndwave 200,\"a.wav\"");
  EXPECT_EQ(r.run.exitCode, 1);
  EXPECT_EQ(r.run.errorCaption, "パラメータエラー");
  EXPECT_EQ(r.run.errorMessage.rfind("チャンネル番号200は範囲外です。\n", 0), 0u) << r.run.errorMessage;
  auto c = runRecorded(tones(), "chvol -1,50");
  EXPECT_EQ(c.run.errorMessage.rfind("チャンネル番号-1は範囲外です。\n", 0), 0u) << c.run.errorMessage;
  // The base language keeps its 50 channels after dsound and ignores the others.
  auto b = runRecorded(tones(), "dsound\ndwave 60,\"a.wav\"\nwait 100");
  EXPECT_EQ(b.run.exitCode, 0) << b.run.stderrText;
  EXPECT_LT(b.rec.lastSound(0.01), 0);
}

TEST(ExtendedSound, ALoadedSoundIsSilentUntilPlayedAndStaysForAnotherPlay) {
  RunOptions o;
  const std::string dump = dumpPath("loaded");
  o.input = "wait 2800\ndump " + dump + "\n";
  auto r = runRecorded(tones(),
                       "dwave 1,\"mark.wav\"\ndwaveload 7,\"a.wav\"\nwait 500\n"
                       "dwaveplay 7\nwait 500\ndwaveplay 7\nwait 500\n"
                       "dwavestop 7\ndwaveplay 7\nwait 500\n"
                       "dwaveload 9,\"a.wav\"\ndwaveplayloop 8\nchvol 8,30\nwait 1000",
                       o);
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  const double m = r.rec.onset();
  ASSERT_GT(m, 0);
  EXPECT_LT(r.rec.peak(m + 60, m + 499), 0.001) << "dwaveload makes no sound";
  // Each dwaveplay starts the sound from its top, when the wait before it ends (a wait ends
  // on the first look at the queue after its time: a millisecond or two late).
  const double p1 = r.rec.onset(m + 60, 0.2);
  EXPECT_NEAR(p1, m + 502, 3);
  EXPECT_NEAR(r.rec.lastSound(0.2) - p1, 300 + 500, 4) << "the second play is the last sound";
  EXPECT_LT(r.rec.peak(p1 + 302, p1 + 498), 0.001);
  const double p2 = r.rec.onset(p1 + 302, 0.2);
  EXPECT_NEAR(p2 - p1, 501, 2) << "played again after it ended";
  EXPECT_NEAR(r.rec.peak(p2, p2 + 290), kAmp, 0.01);
  // The dump lists a loaded channel that is silent, and a volume set on an empty one.
  const std::string state = readBytes(dump);
  std::filesystem::remove(dump);
  EXPECT_NE(state.find("{\"channel\":8,\"loop\":false,\"playing\":false,\"name\":\"\",\"loaded\":false,"
                            "\"volume\":30}"),
            std::string::npos)
      << state;
  EXPECT_NE(state.find("{\"channel\":9,\"loop\":false,\"playing\":false,\"name\":\"a.wav\",\"loaded\":true,"
                            "\"volume\":100}"),
            std::string::npos);
}

TEST(ExtendedSound, OggAndMp3PlayOnChannels) {
  auto dir = std::filesystem::temp_directory_path();
  std::string ogg = (dir / ("veloria-ch-" + std::to_string(::getpid()) + ".ogg")).string();
  std::string mp3 = (dir / ("veloria-ch-" + std::to_string(::getpid()) + ".mp3")).string();
  if ((!makeWithFfmpeg("-f lavfi -i sine=frequency=440:duration=0.4 -c:a libvorbis", ogg) &&
       !makeWithFfmpeg("-f lavfi -i sine=frequency=440:duration=0.4 -ac 2 -c:a vorbis -strict -2", ogg)) ||
      !makeWithFfmpeg("-f lavfi -i sine=frequency=880:duration=0.4 -b:a 128k", mp3))
    GTEST_SKIP() << "the ffmpeg tool (with vorbis and mp3) is not installed";
  GameFiles files;
  files["se/a.ogg"] = readBytes(ogg);
  files["se/b.MP3"] = readBytes(mp3);
  std::filesystem::remove(ogg);
  std::filesystem::remove(mp3);
  auto r = runRecorded(files, "dwave 3,\"se\\a.ogg\"\nwait 500\ndwaveload 4,\"se\\b.MP3\"\ndwaveplay 4\nwait 500");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  const double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_NEAR(r.rec.tone(440, t0 + 50, t0 + 350), 0.125, 0.02);  // the tool's sine is at 1/8
  EXPECT_NEAR(r.rec.tone(880, t0 + 560, t0 + 850), 0.125, 0.02);
}

TEST(ExtendedSound, BgmFadesTheOldMusicOutBeforeTheNewStarts) {
  auto r = runRecorded(tones(), "bgmfadeout 1000\nbgm \"song.wav\"\nwait 500\nbgm \"other.wav\"\nwait 500");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  const double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_NEAR(r.rec.peak(t0 + 10, t0 + 495), kAmp, 0.01);
  // The fade starts when the second bgm is read and lowers the gain linearly in steps of
  // 10 ms: inside a step the level is flat.
  const double f = t0 + 501;
  for (int step : {10, 25, 50, 75, 99}) {
    const double expected = kAmp * (100 - step) / 100.0;
    EXPECT_NEAR(r.rec.peak(f + step * 10 + 1, f + step * 10 + 9), expected, 0.012) << "step " << step;
  }
  // Silence at the end of the fade, then the new music, at once.
  EXPECT_LT(r.rec.tone(440, f + 1002, f + 1400), 0.002);
  EXPECT_NEAR(r.rec.onset(f + 995, 0.2), f + 1000, 3);
  EXPECT_NEAR(r.rec.tone(880, f + 1010, f + 1400), kAmp, 0.02);
}

TEST(ExtendedSound, StopEndsBgmMusicAndLeavesChannelsPlaying) {
  auto r = runRecorded(tones(),
                       "bgm \"song.wav\"\ndwaveloop 5,\"loop.wav\"\nwait 300\n"
                       "loopbgmstop\nwait 300\nstop\nwait 500\n"
                       "bgmonce \"a.wav\"\nwait 500\nbgmvol 65\nbgm \"song.wav\"\nwait 300\nplaystop\nwait 300");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  const double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  // Windows are whole multiples of 50 ms, so that the 440 and 660 Hz tones do not leak into
  // each other's measure.
  EXPECT_NEAR(r.rec.tone(440, t0 + 310, t0 + 560), kAmp, 0.02) << "loopbgmstop leaves bgm music alone";
  EXPECT_LT(r.rec.tone(440, t0 + 610, t0 + 1060), 0.002) << "stop ends the bgm music";
  EXPECT_NEAR(r.rec.tone(660, t0 + 610, t0 + 1060), kAmp, 0.02) << "and leaves the looping channel";
  // bgmonce plays once.
  EXPECT_NEAR(r.rec.tone(440, t0 + 1110, t0 + 1360), kAmp, 0.02);
  EXPECT_LT(r.rec.tone(440, t0 + 1410, t0 + 1560), 0.002);
  // bgmvol 65 plays the music at 0.65; playstop ends it too.
  EXPECT_NEAR(r.rec.tone(440, t0 + 1610, t0 + 1860), kAmp * 0.65, 0.02);
  EXPECT_LT(r.rec.tone(440, t0 + 1910, t0 + 2160), 0.002);
}

TEST(ExtendedSound, LoopbgmGoesOverToItsLoopAndLoopbgmstopEndsIt) {
  auto r = runRecorded(tones(), "loopbgm \"a.wav\",\"loop.wav\"\nwait 1000\nloopbgmstop\nwait 300");
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  const double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_NEAR(r.rec.tone(440, t0 + 10, t0 + 290), kAmp, 0.02);
  // The second file follows the first without a gap: the level holds across the seam, and
  // right after it only the second tone sounds.
  EXPECT_NEAR(r.rec.rms(t0 + 250, t0 + 350), kAmp / std::sqrt(2.0), 0.01);
  EXPECT_NEAR(r.rec.tone(660, t0 + 301, t0 + 351), kAmp, 0.02);
  EXPECT_LT(r.rec.tone(440, t0 + 301, t0 + 351), 0.01);
  EXPECT_NEAR(r.rec.tone(660, t0 + 450, t0 + 950), kAmp, 0.02);
  EXPECT_LT(r.rec.peak(t0 + 1005, t0 + 1290), 0.001);
}

TEST(ExtendedSound, LoopingBgmComesBackAfterALoadAndMusicPlayedOnceDoesNot) {
  auto files = tones();
  const std::string dump = dumpPath("load");
  auto game = [&](const std::string& start) {
    RunOptions o;
    o.input = "wait 1000\nsave 1\nclick 1 1\nwait 500\nload 1\nwait 700\ndump " + dump + "\nwait 100\nquit\n";
    return runRecorded(files, start + "\nclick\nbgmstop\nclick\nclick", o);
  };
  auto loop = game("bgm \"song.wav\"");
  ASSERT_EQ(loop.run.exitCode, 0) << loop.run.stderrText;
  const double t0 = loop.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_LT(loop.rec.tone(440, 1050, 1450), 0.002) << "bgmstop after the save point";
  EXPECT_NEAR(loop.rec.tone(440, 1560, 2200), kAmp, 0.02) << "the load starts the music again";
  const std::string save = readBytes(loop.run.gameDir + "/save1.dat");
  // The marker, version 2, border 200 with no more variables and no frames, then the bgm
  // name, kind 1 (bgm) and no second file (the sprite blocks follow).
  const std::string items("\x89VLX\r\n\x1a\n\x02\0\0\0\xc8\0\0\0\0\0\0\0\0\0\0\0song.wav\0\x01\0\0\0\0", 38);
  const size_t at = save.find("\x89VLX");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(save.substr(at, items.size()), items);

  auto once = game("bgmonce \"song.wav\"");
  ASSERT_EQ(once.run.exitCode, 0) << once.run.stderrText;
  EXPECT_LT(once.rec.tone(440, 1560, 2200), 0.002);
  const std::string state = readBytes(dump);
  std::filesystem::remove(dump);
  EXPECT_NE(state.find("\"bgm\":{\"name\":\"song.wav\",\"kind\":\"bgmonce\""), std::string::npos) << state;
}

TEST(ExtendedSound, SavesUseTheExtendedLayoutOnlyForBgmMusicAndRefuseBadOnes) {
  RunOptions o;
  o.input = "wait 1000\nsave 1\nwait 100\nquit\n";
  // Two extended games of the same length, one with bgm music at the save point.
  auto plain = runRecorded(tones(), "chvol 13,50\nclick", o);
  auto music = runRecorded(tones(), "bgm \"a.wav\"\nclick", o);
  const std::string base = readBytes(plain.run.gameDir + "/save1.dat");
  const std::string marked = readBytes(music.run.gameDir + "/save1.dat");
  ASSERT_GT(base.size(), 1000u);
  EXPECT_EQ(base.find("\x89VLX"), std::string::npos) << "no bgm music: the base layout";
  // After the bgm items: 744 empty sprite groups (an empty name and 3 integers), then 256
  // empty enhanced sprite groups (an empty name and 7 integers).
  const size_t spriteBlock = kSavedHighSprites * (1 + 3 * 4);
  const size_t enhancedBlock = 256 * (1 + 7 * 4);
  ASSERT_EQ(marked.size(), base.size() + 8 + 4 + 12 + 6 + 4 + 1 + spriteBlock + enhancedBlock);
  EXPECT_EQ(marked.substr(0, base.size()), base) << "the base items come first, unchanged";

  auto withInt = [&](size_t at, int32_t v) {
    std::string s = marked;
    for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
  };
  const size_t version = base.size() + 8, kind = version + 4 + 12 + 6;
  for (const std::string& bad : {withInt(version, 3), withInt(kind, 4), marked + "x", marked.substr(0, marked.size() - 3)}) {
    GameFiles files = tones();
    files["save1.dat"] = bad;
    RunOptions load;
    load.input = "wait 1000\nload 1\nwait 300\nquit\n";
    auto run = runRecorded(files, "bgmfadeout 0\nclick", load);
    EXPECT_EQ(run.run.exitCode, 0) << run.run.stderrText;
    EXPECT_NE(run.run.stderrText.find("[ロードエラー] セーブデータsave1.datが壊れているため、ロードできません。"),
              std::string::npos)
        << run.run.stderrText;
    EXPECT_LT(run.rec.lastSound(0.01), 0) << "nothing of the file was used";
  }
}

}  // namespace
}  // namespace veloria::test
