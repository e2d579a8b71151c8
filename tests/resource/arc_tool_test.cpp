#include <unistd.h>

#include "arc_tool.h"
#include "resource/delta_image.h"
#include "resource/resource.h"
#include "resource_test_util.h"
#include "script/script.h"

namespace veloria::test {
namespace {

using arc::Member;

// A 24-bit BMP: a gradient with some noise, bottom-up unless topDown.
Bytes makeBmp24(uint32_t w, uint32_t h, bool topDown, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> rgb(static_cast<size_t>(w) * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t c = 0;
      for (uint32_t k = 0; k < 3; ++k) {
        uint32_t i = x * 3 + k;
        c |= static_cast<uint32_t>(static_cast<uint8_t>((i + y) / 3 + (rng() % 8 == 0 ? rng() : 0))) << (8 * k);
      }
      rgb[static_cast<size_t>(y) * w + x] = c;
    }
  return bytesOf(bmpFile(static_cast<int>(w), static_cast<int>(h), rgb, topDown));
}

// The pixel byte of plane k at (x, y from the top) of a BMP made above.
uint8_t bmpPixel(const Bytes& bmp, uint32_t w, uint32_t h, bool topDown, uint32_t x, uint32_t y, int k) {
  size_t stride = (w * 3 + 3) / 4 * 4;
  uint32_t row = topDown ? y : h - 1 - y;
  return bmp[54 + row * stride + x * 3 + static_cast<size_t>(k)];
}

class ArcTool : public ResourceTest {
 protected:
  std::string src() const { return root_ + "/src"; }
  void add(const std::string& rel, const Bytes& b) { writeAll(src() + "/" + rel, b); }
};

TEST_F(ArcTool, PackedArchivesReadBackThroughTheEngineAndTheTool) {
  const Bytes room = makeBmp24(640, 480, false, 1);
  const Bytes flipped = makeBmp24(33, 7, true, 2);
  Bytes eightBit = makeBmp24(16, 16, false, 3);
  eightBit[28] = 8;  // not 24-bit: LZSS even though it is a BMP
  Bytes noise(70000);
  std::mt19937 rng(4);
  for (auto& c : noise) c = static_cast<uint8_t>(rng());
  const Bytes text = sampleData(100000, 5);
  add("BG/Room.BMP", room);
  add("bg/sub/flip.bmp", flipped);
  add("cursor.bmp", eightBit);
  add("movie/Noise.AVI", noise);
  add("noise.bmp", noise);  // a BMP that does not compress is still never stored
  add("scenario/" + sjisToUtf8("\x94\x77\x8c\x69") + ".txt", text);  // 背景.txt
  add("empty.wav", {});

  std::ostringstream progress;
  arc::PackStats st = arc::packDirectory(src(), game + "/arc.vla", &progress);
  EXPECT_EQ(st.files, 7u);
  EXPECT_EQ(st.delta, 2u);
  EXPECT_NE(progress.str().find("[1/7]"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(game + "/arc.vla.part"));

  std::vector<Member> members = arc::readMembers(game + "/arc.vla");
  std::map<std::string, Member> byName;
  for (const auto& m : members) byName[m.name] = m;
  ASSERT_EQ(byName.size(), 7u);
  EXPECT_EQ(byName.at("bg\\room.bmp").kind, kArchiveDeltaImage);
  EXPECT_EQ(byName.at("bg\\sub\\flip.bmp").kind, kArchiveDeltaImage);
  EXPECT_EQ(byName.at("cursor.bmp").kind, kArchiveLzss);
  EXPECT_EQ(byName.at("noise.bmp").kind, kArchiveLzss);
  EXPECT_EQ(byName.at("movie\\noise.avi").kind, kArchiveStored);
  EXPECT_EQ(byName.at("scenario\\\x94\x77\x8c\x69.txt").kind, kArchiveLzss);
  EXPECT_EQ(byName.at("empty.wav").kind, kArchiveStored);

  // The engine finds members under the names a script would use.
  engine->res.archivesEnabled = 1;
  auto get = [&](std::string_view name) {
    auto hit = findInArchives(*engine, name);
    EXPECT_TRUE(hit) << name;
    return hit ? readArchiveMember(*engine, *hit).value_or(Bytes{}) : Bytes{};
  };
  EXPECT_EQ(get("scenario/\x94\x77\x8c\x69.TXT"), text);
  EXPECT_EQ(get("Movie\\Noise.avi"), noise);
  EXPECT_EQ(get("cursor.BMP"), eightBit);
  EXPECT_EQ(get("NOISE.BMP"), noise);
  EXPECT_EQ(get("empty.wav"), Bytes{});
  for (auto [name, bmp, w, h, topDown] :
       {std::tuple{"BG/ROOM.bmp", &room, 640u, 480u, false}, std::tuple{"bg/sub/FLIP.bmp", &flipped, 33u, 7u, true}}) {
    Bytes coded = get(name);
    auto img = decodeDeltaImage(coded.data(), coded.size(), 1u << 24);
    ASSERT_TRUE(img);
    ASSERT_EQ(img->width, w);
    ASSERT_EQ(img->height, h);
    Bytes expected(img->pixels.size(), 0);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        for (int k = 0; k < 3; ++k)
          expected[img->stride * (h - 1 - y) + x * 3 + static_cast<size_t>(k)] =
              bmpPixel(*bmp, w, h, topDown, x, y, k);
    EXPECT_TRUE(img->pixels == expected) << name;
  }
  EXPECT_EQ(readAll(*resolveFile(*engine, "movie/noise.avi")), noise);

  // The tool gives every file back; pictures come back as bottom-up BMPs of the same pixels.
  const std::string out = root_ + "/out";
  EXPECT_EQ(arc::extractArchive(game + "/arc.vla", {}, out, nullptr), 7u);
  EXPECT_EQ(readAll(out + "/scenario/" + sjisToUtf8("\x94\x77\x8c\x69") + ".txt"), text);
  EXPECT_EQ(readAll(out + "/cursor.bmp"), eightBit);
  Bytes roomOut = readAll(out + "/bg/room.bmp");
  ASSERT_EQ(roomOut.size(), room.size());
  EXPECT_TRUE(std::equal(room.begin() + 18, room.begin() + 26, roomOut.begin() + 18));  // sizes
  EXPECT_TRUE(std::equal(room.begin() + 54, room.end(), roomOut.begin() + 54));         // pixels
  Bytes flipOut = readAll(out + "/bg/sub/flip.bmp");
  for (uint32_t y = 0; y < 7; ++y)
    for (uint32_t x = 0; x < 33; ++x)
      EXPECT_EQ(bmpPixel(flipOut, 33, 7, false, x, y, 1), bmpPixel(flipped, 33, 7, true, x, y, 1));
  EXPECT_EQ(arc::extractArchive(game + "/arc.vla", {"MOVIE/noise.avi"}, root_ + "/one", nullptr), 1u);
  EXPECT_EQ(readAll(root_ + "/one/movie/noise.avi"), noise);
  EXPECT_THROW(arc::extractArchive(game + "/arc.vla", {"nothing.txt"}, out, nullptr), arc::ToolError);
}

TEST_F(ArcTool, BadInputsGiveClearErrors) {
  auto expectError = [&](const std::string& dir, const std::string& needle) {
    try {
      arc::packDirectory(dir, root_ + "/bad.vla", nullptr);
      ADD_FAILURE() << "no error for " << needle;
    } catch (const arc::ToolError& e) {
      EXPECT_NE(std::string(e.what()).find(needle), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(root_ + "/bad.vla"));
    EXPECT_FALSE(std::filesystem::exists(root_ + "/bad.vla.part"));
  };
  expectError(root_ + "/absent", "not a directory");
  add("a/" + std::string(200, 'x') + "/" + std::string(60, 'y'), bytesOf("z"));
  expectError(src(), "longer than 255");
  std::filesystem::remove_all(src());
  add("Same.txt", bytesOf("1"));
  add("same.TXT", bytesOf("2"));
  expectError(src(), "same archive name");
  std::filesystem::remove_all(src());
  if (::geteuid() != 0) {  // permissions do not stop root
    add("locked.txt", bytesOf("secret"));
    std::filesystem::permissions(src() + "/locked.txt", std::filesystem::perms::none);
    expectError(src(), "cannot read");
  }

  // Damaged archives are reported, not half listed.
  Bytes a = assembleArchive({stored("one", "1"), stored("two", "2")});
  writeAll(root_ + "/cut.vla", Bytes(a.begin(), a.begin() + 20));
  EXPECT_THROW(arc::readMembers(root_ + "/cut.vla"), arc::ToolError);
  EXPECT_THROW(arc::readMembers(root_ + "/none.vla"), arc::ToolError);
  writeAll(root_ + "/climb.vla", assembleArchive({stored("..\\..\\evil.txt", "x")}));
  EXPECT_THROW(arc::extractArchive(root_ + "/climb.vla", {}, root_ + "/x", nullptr), arc::ToolError);
  EXPECT_FALSE(std::filesystem::exists(root_ + "/evil.txt"));
}

TEST_F(ArcTool, ScrambledScriptLoadsLikeTheNumberedFiles) {
  // CR LF pairs become LF, 0x1A ends a file, a missing number is passed over.
  put("0.txt", bytesOf(";comment\r\n*define\r\ngame\r\n"));
  put("2.TXT", bytesOf("*start\r\nend\x1a junk after the end"));
  loadScript(*engine);
  const auto& sb = engine->script.scriptBuffer;
  const uint32_t len = engine->script.scriptLength;
  Bytes fromText(sb.begin(), sb.begin() + len);
  EXPECT_EQ(fromText, bytesOf(";comment\n*define\ngame\n\n*start\nend\n"));

  for (auto form : {arc::ScriptForm::veloriaDat, arc::ScriptForm::veloSecDat}) {
    const char* name = form == arc::ScriptForm::veloriaDat ? "veloria.dat" : "velo_sec.dat";
    EXPECT_EQ(arc::writeScrambledScript(game, root_ + "/" + name, form, nullptr), 2u);
    std::filesystem::create_directories(root_ + "/g2");
    std::filesystem::remove(root_ + "/g2/veloria.dat");
    std::filesystem::copy_file(root_ + "/" + name, root_ + "/g2/" + name,
                               std::filesystem::copy_options::overwrite_existing);
    fs::setGameDirectory(root_ + "/g2");
    loadScript(*engine);
    EXPECT_EQ(engine->script.scriptLength, len) << name;
    EXPECT_EQ(Bytes(engine->script.scriptBuffer.begin(), engine->script.scriptBuffer.begin() + len), fromText)
        << name;
    fs::setGameDirectory(game);
  }

  put("0.txt", bytesOf(std::string_view("a\0b", 3)));
  EXPECT_THROW(arc::writeScrambledScript(game, root_ + "/z.dat", arc::ScriptForm::veloriaDat, nullptr),
               arc::ToolError);
  EXPECT_THROW(arc::writeScrambledScript(root_ + "/tmp", root_ + "/z.dat", arc::ScriptForm::veloriaDat, nullptr),
               arc::ToolError);
}

}  // namespace
}  // namespace veloria::test
