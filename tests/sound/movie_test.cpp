// Movies: shown over the window with their sound, waited for, skipped by a click when allowed.
#include <filesystem>

#include "graphics/decoders.h"
#include "sound/sound_test_util.h"

namespace veloria::test {
namespace {

class SoundMovie : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("veloria-movie-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    std::string withSound = (dir_ / "m.avi").string(), silent = (dir_ / "q.avi").string();
    std::string mpeg = (dir_ / "m.mpg").string();
    if (!makeWithFfmpeg("-f lavfi -i color=c=blue:size=160x120:rate=25:duration=1 "
                        "-f lavfi -i sine=frequency=440:duration=1 -c:v mjpeg -c:a pcm_s16le -shortest",
                        withSound) ||
        !makeWithFfmpeg("-f lavfi -i color=c=lime:size=160x120:rate=10:duration=3 -c:v mjpeg", silent) ||
        !makeWithFfmpeg("-f lavfi -i color=c=blue:size=160x120:rate=25:duration=1 "
                        "-f lavfi -i sine=frequency=440:duration=1 -c:v mpeg1video -c:a mp2 -f mpeg -shortest",
                        mpeg))
      GTEST_SKIP() << "the ffmpeg tool is not installed";
    files_["m.mpg"] = readBytes(mpeg);
    files_["m.avi"] = readBytes(withSound);
    files_["q.avi"] = readBytes(silent);
    files_["mark.wav"] = toneWav(1760, 50, 44100, 1, 16, 0.25);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
  GameFiles files_;
};

uint32_t screenshotPixel(const std::string& path, int x, int y) {
  std::string png = readBytes(path);
  Dib d;
  if (!decodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), false, 1, d)) return 0xFFFFFFFF;
  const uint8_t* p = d.row(y) + x * 3;
  return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

TEST_F(SoundMovie, CoversTheWindowWithItsSoundUntilItEnds) {
  RunOptions o;
  std::string shot = (dir_ / "mid.png").string();
  o.input = "wait 1200\nscreenshot " + shot + "\nclick 10 10\n";
  auto r = runRecorded(files_, "bg #ff0000,1\navi \"m.avi\",0\nwave \"mark.wav\"\nwait 300", o);
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  ASSERT_LT(t0, 1200) << "the screenshot must fall inside the movie";
  EXPECT_NEAR(r.rec.tone(440, t0 + 20, t0 + 900), 0.125, 0.01);  // the tool's sine is at 1/8
  // Blue, give or take the movie codec's rounding.
  EXPECT_LT(screenshotPixel(shot, 320, 240) ^ 0x0000FFu, 0x040404u) << "the movie covers the whole picture";
  EXPECT_LT(screenshotPixel(shot, 639, 479) ^ 0x0000FFu, 0x040404u);
  // A click does not end a movie that is not skippable: the script goes on after 1 s.
  double mark = r.rec.onset(t0 + 1005, 0.2);
  EXPECT_NEAR(mark, t0 + 1000, 60);
  EXPECT_EQ(pixelAt(r.run, 320, 240), 0xFF0000u) << "afterwards the engine's picture is back";
  EXPECT_NE(r.run.dump.find("\"movie\":false"), std::string::npos);
}

TEST_F(SoundMovie, AClickEndsASkippableMovieAndSilentMoviesPlay) {
  RunOptions o;
  o.input = "wait 1500\nclick 10 10\n";
  auto r = runRecorded(files_, "resettimer\navi \"q.avi\",1\ngettimer %1\nwave \"mark.wav\"\nwait 100", o);
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  double mark = r.rec.onset();
  EXPECT_GT(mark, 1490);
  EXPECT_LT(mark, 1600) << "the 3 s movie ended at the click";

  auto full = runRecorded(files_, "avi \"q.avi\",1\nwave \"mark.wav\"\nwait 100");
  ASSERT_EQ(full.run.exitCode, 0) << full.run.stderrText;
  EXPECT_GT(full.rec.onset(), 3000) << "without a click the silent movie plays its 3 s";
}

TEST_F(SoundMovie, FilesThatAreNoMovies) {
  files_["bad.avi"] = "RIFF\x10\0\0\0AVI LIST garbage";
  auto r = runRecorded(files_, "avi \"bad.avi\",1");
  EXPECT_EQ(r.run.exitCode, 1);
  EXPECT_EQ(r.run.errorCaption, "AVI Error 1");

  files_["sound.wav"] = toneWav(440, 200);
  auto s = runRecorded(files_, "avi \"sound.wav\",1");
  EXPECT_EQ(s.run.errorCaption, "AVI Error 2") << "a file without pictures";

  auto m = runRecorded(files_, "avi \"none.avi\",1");
  EXPECT_EQ(m.run.errorCaption, "ロードエラー");
}

// The extended dialect's movie: an MPEG-1 file, its options, the music it stops.
TEST_F(SoundMovie, MovieEndsOnAClickAndALoopingOneOnlyThere) {
  RunOptions o;
  o.input = "wait 900\nclick 10 10\n";
  auto r = runRecorded(files_, "movie \"m.mpg\",click\nwave \"mark.wav\"\nwait 100", o);
  ASSERT_EQ(r.run.exitCode, 0) << r.run.stderrText;
  const double t0 = r.rec.onset();
  ASSERT_GT(t0, 0);
  EXPECT_NEAR(r.rec.tone(440, t0 + 20, t0 + 300), 0.125, 0.01) << "the movie's sound";
  EXPECT_NEAR(r.rec.onset(t0 + 350, 0.2), 900, 3) << "the click at 900 ms ends it";

  // A looping movie without click plays again and again, until a click all the same.
  RunOptions late;
  late.input = "wait 3200\nclick 10 10\n";
  // The music stops at once (it is not heard at all) and the movie plays at its volume.
  auto l = runRecorded(files_, "bgmvol 50\nbgm \"mark.wav\"\nmovie \"m.mpg\",loop\nwave \"mark.wav\"\nwait 100", late);
  ASSERT_EQ(l.run.exitCode, 0) << l.run.stderrText;
  const double s0 = l.rec.onset(0, 0.03);
  ASSERT_GT(s0, 0);
  EXPECT_LT(l.rec.tone(1760, s0, s0 + 50), 0.002);
  EXPECT_NEAR(l.rec.tone(440, s0 + 20, s0 + 300), 0.0625, 0.01) << "at the music volume";
  EXPECT_NEAR(l.rec.tone(440, s0 + 1300, s0 + 1800), 0.0625, 0.01) << "the second pass";
  EXPECT_NEAR(l.rec.tone(440, s0 + 2250, s0 + 2750), 0.0625, 0.01) << "the third";
  EXPECT_NEAR(l.rec.onset(s0 + 2650, 0.2), 3200, 3);
  EXPECT_NE(l.run.dump.find("\"bgm\":{\"name\":\"\""), std::string::npos) << "the music is not restarted";

  // Without options a click does nothing: the movie plays to its end.
  auto whole = runRecorded(files_, "movie \"m.mpg\"\nwave \"mark.wav\"\nwait 100", o);
  ASSERT_EQ(whole.run.exitCode, 0) << whole.run.stderrText;
  EXPECT_NEAR(whole.rec.onset(whole.rec.onset() + 950, 0.2), whole.rec.onset() + 1000, 60);

  auto bad = runRecorded(files_, "movie \"m.mpg\",click,skip");
  EXPECT_EQ(bad.run.errorCaption, "構文エラー");
  EXPECT_EQ(bad.run.errorMessage.rfind("movie命令のオプションskipは使えません。\n", 0), 0u) << bad.run.errorMessage;
}

}  // namespace
}  // namespace veloria::test
