// gloval.sav, kidoku.dat, the logs and envdata: formats, when they are read and written, and
// the settings coming back as menu commands.
#include <gtest/gtest.h>

#include "app/app.h"
#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "save/persist_formats.h"
#include "support/game_runner.h"

using namespace veloria;
using namespace veloria::test;

namespace {

std::string fileText(const std::string& dir, const std::string& name) {
  auto d = fs::readHostFile(dir + "/" + name);
  return d ? std::string(d->begin(), d->end()) : std::string("<missing>");
}

std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

}  // namespace

TEST(GlobalVariables, WrittenOnlyWithGlobalonAndReadBackInTheNextRun) {
  // Without globalon the file keeps what it had; with it, the new value comes back.
  const char* without = "*define\ngame\n*start\nmov %300,9\nmov $300,\"x\"\nend\n";
  auto run = runGame({{"0.txt", sjisText(without)}});
  EXPECT_EQ(fileText(run.gameDir, "gloval.sav"), "<missing>");

  const char* with = "*define\nglobalon\ngame\n*start\nadd %300,1\nmov $4095,\"最後\"\nend\n";
  GameFiles files{{"0.txt", sjisText(with)}};
  auto first = runGame(files);
  std::string g = fileText(first.gameDir, "gloval.sav");
  ASSERT_NE(g, "<missing>");
  GlobalVariables decoded;
  decodeGlobals(reinterpret_cast<const uint8_t*>(g.data()), g.size(), decoded);
  EXPECT_EQ(decoded.numVars[100], 1);
  EXPECT_EQ(sjisToUtf8(decoded.strVars[3895]), "最後");
  std::vector<uint8_t> again;
  encodeGlobals(decoded, again);
  EXPECT_EQ(std::string(again.begin(), again.end()), g);

  files["gloval.sav"] = g;
  int32_t v = 0;
  RunOptions o;
  o.inspect = [&](Engine& e) { v = e.script.numVars[300]; };
  runGame(files, o);
  EXPECT_EQ(v, 2);
}

TEST(GlobalVariables, ShortFilesAndOverlongStrings) {
  GlobalVariables g;
  std::string data = std::string("\x05\x00\x00\x00", 4) + "ab" + std::string(1, '\0') + "\x07\x00";
  decodeGlobals(reinterpret_cast<const uint8_t*>(data.data()), data.size(), g);
  EXPECT_EQ(g.numVars[0], 5);
  EXPECT_EQ(g.strVars[0], "ab");
  EXPECT_EQ(g.numVars[1], 0);  // two bytes are no integer
  EXPECT_EQ(g.strVars[1], "");
  std::string longValue = std::string(4, '\0') + std::string(5000, 'y');
  decodeGlobals(reinterpret_cast<const uint8_t*>(longValue.data()), longValue.size(), g);
  EXPECT_EQ(g.strVars[0].size(), 4095u);
}

TEST(Logs, FormatKeyAndMalformedEntries) {
  std::vector<uint8_t> out;
  encodeLog({"START", "A\xC3" "B"}, out);
  std::string expected = "2\n\"";
  for (char c : std::string("START")) expected.push_back(static_cast<char>(c ^ 0xC3));
  expected += "\"\"";
  expected.push_back(static_cast<char>('A' ^ 0xC3));  // the key byte ends the entry
  expected += "\"";
  EXPECT_EQ(std::string(out.begin(), out.end()), expected);
  auto back = decodeLog(out.data(), out.size());
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0], "START");
  EXPECT_EQ(back[1], "A");

  // A name whose byte the key turns into a quote survives the round trip.
  std::string name = sjisText("瘡.bmp");
  ASSERT_EQ(static_cast<uint8_t>(name[0]) ^ 0xC3, '"');
  encodeLog({name, "X"}, out);
  back = decodeLog(out.data(), out.size());
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0], name);
  EXPECT_EQ(back[1], "X");

  // A trail byte the key turns into a quote ends no entry, wherever the entry stands.
  std::string trail = std::string("*label") + "\x88\xE1";  // ends in a character whose trail byte is 0xE1
  for (const std::vector<std::string>& entries :
       {std::vector<std::string>{trail, "X"}, {"X", trail}, {trail}, {trail, trail, "Y" + trail + "Z"}}) {
    encodeLog(entries, out);
    EXPECT_EQ(decodeLog(out.data(), out.size()), entries);
  }

  // An entry without its opening quote has no value; the byte opens the next one. An entry
  // cut off by the end is dropped.
  std::string odd = "3\nZ";
  odd.push_back(static_cast<char>('Q' ^ 0xC3));
  odd += "\"\"";
  odd.push_back(static_cast<char>('R' ^ 0xC3));
  back = decodeLog(bytes(odd).data(), odd.size());
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0], "Q");
  EXPECT_TRUE(decodeLog(bytes("-3\n\"\"").data(), 5).empty());
  EXPECT_TRUE(decodeLog(nullptr, 0).empty());
}

TEST(Logs, LabelLogGrowsOverRuns) {
  const char* simple = "*define\nlabellog\ngame\n*start\ngoto *later\n*later\nend\n";
  GameFiles files{{"0.txt", sjisText(simple)}};
  auto one = runGame(files);
  std::string log = fileText(one.gameDir, "Velollog.dat");
  ASSERT_NE(log, "<missing>");
  auto entries = decodeLog(bytes(log).data(), log.size());
  EXPECT_NE(std::find(entries.begin(), entries.end(), "LATER"), entries.end());

  files["Velollog.dat"] = log;
  files["0.txt"] = sjisText("*define\nlabellog\ngame\n*start\ngoto *other\n*other\nend\n");
  bool later = false, other = false;
  RunOptions o;
  o.inspect = [&](Engine& e) {
    later = e.script.labelLog.contains("LATER");
    other = e.script.labelLog.contains("OTHER");
  };
  runGame(files, o);
  EXPECT_TRUE(later);
  EXPECT_TRUE(other);
}

TEST(ReadMarks, SizedByTheScriptAndKeptAcrossRuns) {
  std::string script = sjisText("*define\nkidokuskip\ngame\n*start\nmov %1,1\nend\n");
  GameFiles files{{"0.txt", script}};
  size_t size = 0;
  RunOptions o;
  o.inspect = [&](Engine& e) { size = e.script.scriptLength / 8; };
  auto run = runGame(files, o);
  std::string marks = fileText(run.gameDir, "kidoku.dat");
  ASSERT_NE(marks, "<missing>");
  EXPECT_EQ(marks.size(), size);
  EXPECT_NE(marks.find_first_not_of('\0'), std::string::npos);

  // A file from a longer script fills only what this script has.
  files["kidoku.dat"] = std::string(size + 100, '\xFF');
  auto again = runGame(files);
  EXPECT_EQ(fileText(again.gameDir, "kidoku.dat"), std::string(size, '\xFF'));
}

TEST(Environment, SettingsComeBackAsMenuCommands) {
  Environment env;
  env.fullScreen = 0;
  env.waveOn = 0;
  env.textSpeed = 2;
  env.pageOnly = 1;
  env.faceName = "NoSuchFace";
  env.cdEnabled = 0;
  env.cdDrive = "/dev/cdrom";
  std::vector<uint8_t> data;
  encodeEnvironment(env, data);
  GameFiles files{{"0.txt", sjisText("*define\ngame\n*start\nclick\nend\n")},
                  {"envdata", std::string(data.begin(), data.end())}};
  RunOptions o;
  o.input = "wait 1000\nquit\n";
  // The fields change only through the window procedure's menu commands, which set the
  // check marks with them.
  int32_t speed = -1, wave = -1, cd = -1, page = -1;
  std::string drive, face;
  o.inspect = [&](Engine& e) {
    speed = e.text.menuSpeedIndex;
    wave = e.sound.waveOn;
    cd = e.sound.cdEnabled;
    page = e.text.pageOnlyMode;
    drive = e.sound.cdDrive;
    face = e.text.chosenFaceName;
  };
  auto run = runGame(files, o);
  EXPECT_EQ(speed, 2);
  EXPECT_EQ(wave, 0);
  EXPECT_EQ(cd, 0);
  EXPECT_EQ(page, 1);
  EXPECT_EQ(drive, "/dev/cdrom");
  EXPECT_EQ(face, "NoSuchFace");
  // Written back at the exit as it was read.
  EXPECT_EQ(fileText(run.gameDir, "envdata"), std::string(data.begin(), data.end()));
}

TEST(Environment, ShortFileReadsAsZeros) {
  std::string s = std::string("\x01\x00\x00\x00", 4);
  Environment env = decodeEnvironment(bytes(s).data(), s.size());
  EXPECT_EQ(env.fullScreen, 1);
  EXPECT_EQ(env.waveOn, 0);
  EXPECT_EQ(env.faceName, "");
  std::string longName = std::string(16, '\0') + std::string(300, 'f');
  env = decodeEnvironment(bytes(longName).data(), longName.size());
  EXPECT_EQ(env.faceName.size(), kMaxSettingBytes);
}
