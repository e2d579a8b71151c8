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
    if (!makeWithFfmpeg("-f lavfi -i color=c=blue:size=160x120:rate=25:duration=1 "
                        "-f lavfi -i sine=frequency=440:duration=1 -c:v mjpeg -c:a pcm_s16le -shortest",
                        withSound) ||
        !makeWithFfmpeg("-f lavfi -i color=c=lime:size=160x120:rate=10:duration=3 -c:v mjpeg", silent))
      GTEST_SKIP() << "the ffmpeg tool is not installed";
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

}  // namespace
}  // namespace veloria::test
