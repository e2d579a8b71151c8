// Loading the script from its three sources, and the label table.
#include <vector>

#include "script/scramble.h"
#include "engine/script_state.h"
#include "script_harness.h"

namespace veloria::test {
namespace {

std::string buffered(const Engine& e) {
  return std::string(e.script.scriptBuffer.begin(), e.script.scriptBuffer.begin() + e.script.scriptLength);
}

std::string scrambled(std::string text, bool second) {
  auto* p = reinterpret_cast<uint8_t*>(text.data());
  if (second)
    scrambleVeloSec(p, text.size());
  else
    scrambleVeloriaDat(p, text.size());
  return text;
}

TEST(ScriptLoad, NumberedFilesWithAGapAndTextModeRules) {
  GameDir dir;
  dir.write("0.txt", "a\r\nb");  // no final line end
  dir.write("2.txt", "c\rd\x1A" "ignored");
  ScriptHarness h;
  loadScript(h.e);
  EXPECT_EQ(buffered(h.e), "a\nb\nc\rd\n");
  EXPECT_EQ(h.e.script.scriptLength, 8u);
  EXPECT_EQ(h.e.script.scriptBuffer[8], 0);
  EXPECT_EQ(h.e.script.fileEndTable[0], 3);
  EXPECT_EQ(h.e.script.fileEndTable[1], kMissingFileEnd);
  EXPECT_EQ(h.e.script.fileEndTable[2], 7);
  EXPECT_EQ(h.e.script.fileEndTable[3], kMissingFileEnd);
}

TEST(ScriptLoad, SourceOrder) {
  {
    GameDir dir;  // text files win over veloria.dat
    dir.write("0.txt", "text");
    dir.write("veloria.dat", scrambled("dat", false));
    ScriptHarness h;
    loadScript(h.e);
    EXPECT_EQ(buffered(h.e), "text\n");
  }
  {
    GameDir dir;  // velo_sec.dat wins over veloria.dat
    dir.write("veloria.dat", scrambled("first", false));
    dir.write("velo_sec.dat", scrambled("second\r\nform", true));
    ScriptHarness h;
    loadScript(h.e);
    EXPECT_EQ(buffered(h.e), "second\r\nform\n");  // no line-end translation
    EXPECT_EQ(h.e.script.scriptLength, 13u);
    EXPECT_EQ(h.e.script.source, ScriptSource::VeloSecDat);
  }
  {
    GameDir dir;
    dir.write("veloria.dat", scrambled("first", false));
    ScriptHarness h;
    loadScript(h.e);
    EXPECT_EQ(buffered(h.e), "first\n");
  }
  {
    GameDir dir;  // nothing at all: only the terminating 0
    ScriptHarness h;
    loadScript(h.e);
    EXPECT_EQ(h.e.script.scriptLength, 0u);
    EXPECT_EQ(h.e.script.scriptBuffer.at(0), 0);
  }
}

TEST(ScriptLoad, TooLongScriptsStopForEverySource) {
  const std::string big(kScriptBufferSize - 1, ';');  // with its line feed it fills the buffer
  for (int source = 0; source < 3; ++source) {
    GameDir dir;
    if (source == 0) dir.write("0.txt", big);
    if (source == 1) dir.write("veloria.dat", scrambled(big, false));
    if (source == 2) dir.write("velo_sec.dat", scrambled(big + "more bytes past the end", true));
    ScriptHarness h;
    EXPECT_EQ(h.exitCodeOf([&] { loadScript(h.e); }), 1) << source;
    EXPECT_EQ(h.errorCaption(), "エラー");
    EXPECT_EQ(h.errorHead(), "シナリオが長すぎます。");
  }
  {
    GameDir dir;  // one byte less fits
    dir.write("0.txt", big.substr(1));
    ScriptHarness h;
    loadScript(h.e);
    EXPECT_EQ(h.e.script.scriptLength, kScriptBufferSize - 1);
  }
}

TEST(ScriptLoad, Mode800OnlyAtTheVeryFirstByte) {
  {
    GameDir dir;
    dir.write("0.txt", ";mode800\n");
    ScriptHarness h;
    loadScript(h.e);
    EXPECT_EQ(h.e.app.screenWidth, 800);
    EXPECT_EQ(h.e.app.screenHeight, 600);
  }
  {
    GameDir dir;
    dir.write("0.txt", " ;mode800\n;mode800\n");
    ScriptHarness h;
    loadScript(h.e);
    EXPECT_EQ(h.e.app.screenWidth, 640);
  }
  {
    GameDir dir;
    dir.write("veloria.dat", scrambled(";mode800\n*define\n", false));
    ScriptHarness h;
    loadScript(h.e);
    EXPECT_EQ(h.e.app.screenWidth, 800);
  }
}

TEST(LabelTable, PositionsNamesAndCase) {
  ScriptHarness h;
  h.load("*Start\nmov %0,1\n  *a ; note\n*b\t\ntext\nx *notalabel\n*9lives\n");
  const auto& labels = h.e.script.labels;
  ASSERT_EQ(labels.size(), 4u);
  EXPECT_EQ(labels[0].name, "start");
  EXPECT_EQ(labels[0].pos, 7u);  // start of the next line
  EXPECT_EQ(labels[1].name, "a");
  EXPECT_EQ(h.e.script.scriptBuffer[labels[1].pos], ';');  // the comment after the name
  EXPECT_EQ(labels[2].name, "b");
  EXPECT_EQ(h.e.script.scriptBuffer[labels[2].pos], 't');
  EXPECT_EQ(labels[3].name, "");  // a name cannot start with a digit
  EXPECT_EQ(findLabel(h.e, "START"), 7);
  EXPECT_EQ(findLabel(h.e, "notalabel"), -1);
}

TEST(LabelTable, DuplicatesAndTheLimit) {
  {
    ScriptHarness h;
    EXPECT_EQ(h.exitCodeOf([&] { h.load("*Start\n*start\n"); }), 1);
    EXPECT_EQ(h.errorHead(), "ラベル*startの多重定義です。");
  }
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "*l" + std::to_string(i) + "\n";
  {
    ScriptHarness h;
    h.load(many);
    EXPECT_EQ(h.e.script.labels.size(), 5000u);
    EXPECT_EQ(findLabel(h.e, "l4999"), static_cast<int64_t>(h.e.script.labels[4999].pos));
  }
  {
    ScriptHarness h;
    EXPECT_EQ(h.exitCodeOf([&] { h.load(many + "*one_more\n"); }), 1);
    EXPECT_EQ(h.errorHead(), "ラベルが5000を超えました。");
  }
}

}  // namespace
}  // namespace veloria::test
