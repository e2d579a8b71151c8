// The static checker: what it proves, where it says so, and what it must not claim.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "check/checker.h"
#include "resource/resource_test_util.h"
#include "check/check_harness.h"
#include "script/script_harness.h"

namespace veloria::test {
namespace {

// A media file of the game, in its sub-directory.
void put(GameDir& dir, const std::string& name) { dir.write(name, "x"); }

// Every registration row says how the checker reads the command: a pattern in the letters
// the pattern reader knows, with its brackets closed, or a check of the checker's own that
// exists. And no check of its own is left for a word that lost its row.
TEST(CheckerArguments, EveryRowCanBeRead) {
  ScriptHarness h;
  const std::string_view letters = "nSslwc%$ivxbpafe,[]{}";
  std::set<std::string_view> own;
  for (std::string_view w : ownCheckWords()) own.insert(w);
  for (std::string_view w : h.e.commands.words()) {
    const CommandArgs& args = h.e.commands.row(w)->args;
    if (hasOwnCheck(args)) {
      EXPECT_TRUE(own.count(w)) << w << " asks for a check of its own that the checker lacks";
      continue;
    }
    EXPECT_FALSE(own.count(w)) << w << " has a check of its own its row does not ask for";
    std::string open;
    for (const char* p = args.pattern; *p; ++p) {
      EXPECT_NE(letters.find(*p), std::string_view::npos) << w << ": '" << *p << "' in " << args.pattern;
      if (*p == '[' || *p == '{') open += *p;
      if (*p == ']' || *p == '}') {
        EXPECT_TRUE(!open.empty() && open.back() == (*p == ']' ? '[' : '{')) << w << ": " << args.pattern;
        if (!open.empty()) open.pop_back();
      }
    }
    EXPECT_TRUE(open.empty()) << w << ": " << args.pattern;
  }
  for (std::string_view w : own) EXPECT_NE(h.e.commands.row(w), nullptr) << "a check for the unknown word " << w;
}

TEST(Checker, CleanScriptsHaveNoFindings) {
  GameDir dir;
  put(dir, "bg/Station.BMP");
  auto f = check(dir,
                 "*define\n"
                 "numalias hero,5\n"
                 "stralias pic,\"bg\\station.bmp\"\n"
                 "effect 2,10,500\n"
                 "game\n"
                 "*start\n"
                 "mov %hero,3:add %hero,%1\n"
                 "mov $2,\"名前\":itoa $3,%hero\n"
                 "if %hero >= 3 && %1 != 2 goto *next\n"
                 "notif %1 <> 2 gosub *sub\n"
                 "bg pic,2\n"
                 "bg black,1\n"
                 "bg #203050,10,500\n"
                 "tablegoto %1,*next,*sub,*next\n"
                 "*next\n"
                 "$2は%heroを見た。@\n"
                 "lsp 1,\":l/3,160,2;BG/station.bmp\",0,0\n"
                 "jumpf\n"
                 "ここは飛ばされる。~\n"
                 "goto $5\n"
                 "systemcall savedlg\n"
                 "systemcall savedlg,\"しおり\"\n"
                 "end\n"
                 "*sub\n"
                 "return\n");
  EXPECT_TRUE(f.empty()) << joined(f);
}

TEST(Checker, ReportsWhatTheReadersWouldStopAt) {
  GameDir dir;
  auto f = check(dir,
                 "*define\ngame\n*start\n"
                 "mov %1 2\n"             // 4: comma missing
                 "mov %1,\"text\"\n"      // 5: a string where a number belongs
                 "bg 12,1\n"              // 6: a number where a string belongs
                 "caption \"open\n"       // 7: string not closed
                 "inc $3\n"               // 8: wrong variable kind, the command's own message
                 "frobnicate 1,2\n"       // 9: no such command
                 "mov %1,1:foo\n"         // 10: unknown after a good statement on the line
                 "mov %5000,1\n"          // 11: variable out of range
                 "wait 100,200\n"         // 12: an argument too many becomes story text
                 "end\n");
  EXPECT_TRUE(has(f, "0.txt:4: ", "コンマが必要なところにコンマが有りません。 (a comma is missing)")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:5: ", "数字がくるべきところに数字がありません。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:6: ", "文字列が来るべきところに文字列がありません。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:7: ", "文字列中に改行が有ります。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "incの引数は数字変数です。 (the argument must be a numeric variable)")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "不正な命令\"frobnicate\"です。 (no such command)")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:10: ", "不正な命令\"foo\"です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:11: ", "変数の番号が範囲外です")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:12: ", "too many arguments for wait")) << joined(f);
  EXPECT_EQ(f.size(), 9u) << joined(f);
}

TEST(Checker, LabelsMissingOrDefinedTwice) {
  GameDir dir;
  auto f = check(dir,
                 "*define\ngame\n*start\n"
                 "goto *nowhere\n"                 // 4
                 "gosub \"*Elsewhere\"\n"          // 5: a string label, looked up lower-cased
                 "tablegoto %1,*start,*gone\n"     // 6
                 "trap *trapped\n"                 // 7
                 "textgosub *missingroutine\n"     // 8
                 "goto \"nostar\"\n"               // 9: a string without '*'
                 "goto $1\n"                       // 10: known only at run time
                 "*twice\n"                        // 11
                 "*Twice\n"                        // 12
                 "*twice\n"                        // 13
                 "end\n");
  EXPECT_TRUE(has(f, "0.txt:4: ", "ラベル*nowhereは存在しません (no such label)")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:5: ", "ラベル*Elsewhereは存在しません")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:6: ", "ラベル*goneは存在しません")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:7: ", "ラベル*trappedは存在しません")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "ラベル*missingroutineは存在しません")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "文字列の先頭が*ではありません")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:12: ", "ラベル*twiceの多重定義です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:13: ", "ラベル*twiceの多重定義です。")) << joined(f);
  EXPECT_EQ(f.size(), 8u) << joined(f);
}

TEST(Checker, MissingDefineOrStartLabel) {
  GameDir dir;
  auto f = check(dir, "mov %1,1\n");
  EXPECT_TRUE(has(f, "0.txt:1: ", "ラベル*defineは存在しません")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:1: ", "ラベル*startは存在しません")) << joined(f);
}

TEST(Checker, LinesCountPerFileAcrossGaps) {
  GameDir dir;
  dir.write("0.txt", sjisOf("*define\ngame\n*start\ngoto *part2\n"));
  dir.write("2.txt", sjisOf("*part2\nmov %1,1\nmov %1\nend"));  // no final line feed
  auto r = checkGame(setUpEngine);
  ASSERT_EQ(r.findings.size(), 1u);
  EXPECT_EQ(formatFinding(r.findings[0]), "2.txt:3: コンマが必要なところにコンマが有りません。 (a comma is missing)");
  ASSERT_EQ(r.lines.files.size(), 2u);
  EXPECT_EQ(r.lines.files[1].name, "2.txt");
  EXPECT_EQ(r.lines.files[1].statementLines, (std::vector<uint32_t>{2, 3, 4}));
}

TEST(Checker, ScrambledScriptIsNamedByItsFile) {
  GameDir dir;
  std::string plain = sjisOf("*define\ngame\n*start\nnope\nend\n");
  for (char& c : plain) c = static_cast<char>(c ^ 0xC3);
  dir.write("veloria.dat", plain);
  auto r = checkGame(setUpEngine);
  ASSERT_EQ(r.findings.size(), 1u);
  EXPECT_EQ(r.findings[0].file, "veloria.dat");
  EXPECT_EQ(r.findings[0].line, 4u);
}

TEST(Checker, DefineBlockFollowedAsTheDefinePassRunsIt) {
  GameDir dir;
  auto f = check(dir,
                 "*define\n"
                 "gosub *settings\n"
                 "if %1 == 0 goto *more\n"
                 "game\n"
                 "*settings\n"
                 "if fchk \"a.txt\" mov %2,1\n"   // 6: fchk in the define pass
                 "return\n"
                 "*more\n"
                 "ここで文章。\n"                 // 9: story text in the define pass
                 "game\n"
                 "*start\n"
                 "if fchk \"a.txt\" mov %2,1\n"   // 12: fine in the game
                 "文章はここで良い。\n"
                 "end\n");
  EXPECT_TRUE(has(f, "0.txt:6: ", "fchk条件式は、定義ブロックでは使えません。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "*defineブロックには、表示文はおけません。 (story text in the define block)"))
      << joined(f);
  EXPECT_EQ(f.size(), 2u) << joined(f);

  // Without game the define pass runs on into the story; after an unknown jump nothing is
  // claimed.
  f = check(dir, "*define\nmov %1,1\n*start\n話。\nend\n");
  EXPECT_TRUE(has(f, "0.txt:4: ", "*defineブロックには、表示文はおけません。")) << joined(f);
  f = check(dir, "*define\ngoto $1\n*start\n話。\nend\n*x\ngame\n");
  EXPECT_TRUE(f.empty()) << joined(f);
  f = check(dir, "*define\nmov %1,1\n");
  EXPECT_TRUE(has(f, "0.txt:3: ", "ファイルの終端に達しました。")) << joined(f);
}

TEST(Checker, AliasesDefinedWhereverTheyStand) {
  GameDir dir;
  auto f = check(dir,
                 "*define\nnumalias a,1\ngame\n*start\n"
                 "mov %b,%a\n"
                 "numalias b,2\n"
                 "numalias a,3\n"          // 7: defined twice
                 "mov $c,\"x\"\n"          // 8: c is no alias
                 "end\n");
  EXPECT_TRUE(has(f, "0.txt:7: ", "数字エイリアスaが二重定義されています。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "数字がくるべきところに数字がありません。")) << joined(f);
  EXPECT_EQ(f.size(), 2u) << joined(f);
}

TEST(Checker, AliasNamingBothANumericAndAStringVariable) {
  GameDir dir;
  auto f = check(dir,
                 "*define\nnumalias name,10\nnumalias count,11\ngame\n*start\n"
                 "mov %name,1\n"
                 "inc %count\n"
                 "mov $count,\"x\"\n"    // 8: count is numeric at line 7
                 "$nameさん\n"            // 9: name is numeric at line 6
                 "end\n");
  EXPECT_TRUE(has(f, "0.txt:8: ", "alias count names the string variable here and the numeric variable at 0.txt:7"))
      << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "alias name names the string variable here and the numeric variable at 0.txt:6"))
      << joined(f);
  EXPECT_EQ(f.size(), 2u) << joined(f);
}

TEST(Checker, EffectNumbers) {
  GameDir dir;
  auto f = check(dir,
                 "*define\neffect 2,10,500\neffect 256,10,500\ngame\n*start\n"
                 "print 2\nprint 1\nprint 0\n"
                 "print 7\n"          // 9: never defined
                 "bg black,3\n"       // 10: never defined
                 "print 19,100\n"     // 11: no such effect type
                 "print 10,500\n"
                 "end\n");
  EXPECT_TRUE(has(f, "0.txt:3: ", "effect命令の第一パラメータは2～255です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "未定義のエフェクトを使いました (an effect number never defined; no effect command "
                                  "defines effect 7)"))
      << joined(f);
  EXPECT_TRUE(has(f, "0.txt:10: ", "no effect command defines effect 3")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:11: ", "不正なエフェクト番号です。")) << joined(f);
  EXPECT_EQ(f.size(), 4u) << joined(f);

  // An effect defined from a variable could be any number: no use is reported.
  f = check(dir, "*define\neffect %1,10,500\ngame\n*start\nprint 9\nend\n");
  EXPECT_TRUE(f.empty()) << joined(f);
}

TEST(Checker, MediaFilesLooseOrArchivedWithAnyLetterCase) {
  GameDir dir;
  put(dir, "bg/Room.bmp");
  put(dir, "se/Door.WAV");
  Bytes archive = assembleArchive({stored("chara\\girl.bmp", "x")});
  dir.write("arc.vla", std::string(archive.begin(), archive.end()));
  const std::string body =
      "game\n*start\n"
      "bg \"BG\\room.bmp\",1\n"
      "ld c,\":a;chara/GIRL.bmp\",1\n"     // 5: only in the archive
      "clickvoice \"se\\door.wav\",\"\"\n"
      "clickvoice \"\",\"se\\window.wav\"\n"  // 7
      "lsp 1,\":l/3,160;x.bmp\",0,0\n"     // 8: a broken tag
      "v12\n"                              // 9: voice\12.wav
      "clickvoice $1,$2\n"
      "end\n";
  auto f = check(dir, "*define\n" + body);
  EXPECT_TRUE(has(f, "0.txt:5: ", "ファイルchara/GIRL.bmpを開けません。 (no picture file")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:7: ", "ファイルse\\window.wavを開けません。 (no sound file")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "タグの指定がおかしいです。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "ファイルvoice\\12.wavを開けません。")) << joined(f);
  EXPECT_EQ(f.size(), 4u) << joined(f);

  // With archive lookup on, the archived picture is found.
  f = check(dir, "*define\nvla\n" + body);
  EXPECT_FALSE(has(f, "0.txt:6: ", "GIRL")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "se\\window.wav")) << joined(f);
  // Members of plug-in archives cannot be listed: no file is reported missing.
  f = check(dir, "*define\narc \"data.pak|unpack.so\"\n" + body);
  EXPECT_FALSE(has(f, "", "を開けません")) << joined(f);
}

TEST(Checker, JumpsBeyondTheScript) {
  GameDir dir;
  auto f = check(dir,
                 "*define\ngame\n*start\n"
                 "jumpb\n"        // 4: no ~ before it
                 "~skip 2\n"
                 "skip -4\n"      // 6: line 2 is the highest line a skip can reach
                 "skip -6\n"      // 7
                 "jumpf\n"        // 8: no ~ after it
                 "skip 4\n"       // 9: a line and the end of the file follow
                 "end\n");
  EXPECT_TRUE(has(f, "0.txt:4: ", "jumpb命令が#を見つけられませんでした。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:7: ", "SKIPがスクリプトの範囲を飛び出しました。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "jumpf命令が#を見つけられませんでした。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "SKIPがスクリプトの範囲を飛び出しました。")) << joined(f);
  EXPECT_EQ(f.size(), 4u) << joined(f);
}

TEST(Checker, TextGosubSplitsStoryLines) {
  GameDir dir;
  // After @, the rest of the line is a statement of its own once textgosub is on.
  auto f = check(dir, "*define\ngame\n*start\n一行目@wiat 10\nend\n");
  EXPECT_TRUE(f.empty()) << joined(f);
  f = check(dir, "*define\ntextgosub *routine\ngame\n*start\n一行目@wait 10\nend\n*routine\nreturn\n");
  EXPECT_TRUE(f.empty()) << joined(f);
  f = check(dir, "*define\ntextgosub *routine\ngame\n*start\n一行目@wiat 10\nend\n*routine\nreturn\n");
  EXPECT_TRUE(has(f, "0.txt:5: ", "不正な命令\"wiat\"です。")) << joined(f);
  EXPECT_EQ(f.size(), 1u) << joined(f);
}

TEST(Checker, GarbageIsReportedWithinBounds) {
  std::string junk;
  for (int i = 0; i < 11000; ++i) junk += "\"x, %%%%\n(*\n";
  junk += "*define\ngame\n";
  CheckResult r = checkScriptBytes(setUpEngine, junk);
  EXPECT_TRUE(r.truncated);
  EXPECT_LE(r.findings.size(), 10000u);
  // A script that loops in its define block ends the walk.
  r = checkScriptBytes(setUpEngine, "*define\n*a\ngosub *a\ngoto *a\n*start\n");
  EXPECT_TRUE(r.findings.empty()) << r.findings.size();
}

}  // namespace
}  // namespace veloria::test
