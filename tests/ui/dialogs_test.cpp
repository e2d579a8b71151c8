// The dialogs driven headless: inputstr, input and inputnum with their checks and errors, the
// CD drive dialog from the window menu and the save/load dialog.
#include <gtest/gtest.h>

#include "check/dump.h"
#include "sound/sound_test_util.h"
#include "text/text_harness.h"

namespace veloria::test {
namespace {

std::string str(Engine& e, int i) { return e.script.strVars[static_cast<size_t>(i)]; }

// Runs `body` with `input`, returning what the message boxes and dialogs printed.
struct DialogRun {
  TextRun run;
  std::string log;  // standard error: "[caption] text" per box and dialog
  std::vector<std::string> dumps;
};

DialogRun runDialogs(const std::string& body, const std::string& input, std::function<void(Engine&)> setup = {}) {
  DialogRun r;
  auto* dumps = &r.dumps;
  ::testing::internal::CaptureStderr();
  r.run = runText(game(body), input, 120000, [dumps, setup](Engine& e) {
    e.platform.onDumpRequest = [dumps, &e](const std::string&) { dumps->push_back(dumpJson(e)); };
    if (setup) setup(e);
  });
  r.log = ::testing::internal::GetCapturedStderr();
  return r;
}

size_t count(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) ++n;
  return n;
}

TEST(InputNumber, StoresSignedValuesRefusesOthersAndTakesEmptyAsZero) {
  auto r = runDialogs("inputnum %1,\"数は\"\ninputnum %2,\"数は\"\ninputnum %3,\"数は\"\ninputnum %4,\"数は\"\n"
                      "inputnum %5,\"数は\"\nend\n",
                      "type -12\ntype 1-2\ntype 7\ntype\ntype 2147483648\ntype １２\ntype -2147483648\ntype 0009\n");
  Engine& e = r.run.e();
  EXPECT_EQ(var(e, 1), -12);
  EXPECT_EQ(var(e, 2), 7);  // 1-2 was refused and the dialog stayed for the next entry
  EXPECT_EQ(var(e, 3), 0);
  EXPECT_EQ(var(e, 4), INT32_MIN);  // too big and full-width digits were refused
  EXPECT_EQ(var(e, 5), 9);
  EXPECT_EQ(count(r.log, "[数値入力] 数値を入力してください。"), 3u) << r.log;
  EXPECT_TRUE(r.run.ended);
}

TEST(InputText, ChecksLengthFullWidthAndEmptinessAndStoresShiftJis) {
  auto r = runDialogs("inputstr $1,\"名前\",10,0\ninputstr $2,\"名前\",10,1\ninputstr $3,\"名前\",4,1\nend\n",
                      "type あいうえおa\ntype 日本語です\n"
                      "type Ａb\ntype\ntype ＡＢ\n"
                      "type ｱｲ\ntype ab\ntype 名前\n");
  Engine& e = r.run.e();
  EXPECT_EQ(str(e, 1), utf8ToSjis("日本語です"));
  EXPECT_EQ(str(e, 2), utf8ToSjis("ＡＢ"));
  EXPECT_EQ(str(e, 3), utf8ToSjis("名前"));  // half-width katakana and letters are not full-width
  EXPECT_EQ(count(r.log, "[文字列入力] 文字列が長すぎます。"), 1u) << r.log;
  EXPECT_EQ(count(r.log, "[文字列入力] 全て全角文字で入力してください。"), 3u) << r.log;
  EXPECT_EQ(count(r.log, "[文字列入力] 文字列を入力してください。"), 1u) << r.log;
}

TEST(InputText, RefusesCharactersShiftJisCannotHoldAndOverlongPastes) {
  std::string huge(5000, 'x');
  auto r = runDialogs("inputstr $1,\"p\",255,0\ninputstr $2,\"p\",255,0\nend\n",
                      "type a😀b\ntype café\ntype a〜b\ntype " + huge + "\ntype ok\n");
  Engine& e = r.run.e();
  EXPECT_EQ(str(e, 1), "a\x81\x60" "b");  // the wave dash has a CP932 form
  EXPECT_EQ(str(e, 2), "ok");
  EXPECT_EQ(count(r.log, "[文字列入力] 入力できない文字が含まれています。"), 2u) << r.log;
  EXPECT_EQ(count(r.log, "[文字列入力] 文字列が長すぎます。"), 1u) << r.log;
}

TEST(InputText, EscGivesTheDefaultOnlyWhenThereIsOne) {
  auto r = runDialogs("inputstr $1,\"p\",10,0\ninput $2,\"p\",\"既定\",10,0\ninput $3,\"p\",\"既定\",10,0\nend\n",
                      "cancel\ntype abc\ncancel\ntype xyz\n");
  Engine& e = r.run.e();
  EXPECT_EQ(str(e, 1), "abc");  // Esc did nothing; the dialog took the next entry
  EXPECT_EQ(str(e, 2), utf8ToSjis("既定"));
  EXPECT_EQ(str(e, 3), "xyz");
}

TEST(InputText, UnansweredDialogsEndWithTheDefaultOrNothingAndSaneMaximums) {
  auto r = runDialogs("mov $1,\"old\"\ninputstr $1,\"p\",10,0\ninput $2,\"p\",\"既定\",10,0\ninputnum %1,\"p\"\n"
                      "mov %2,1\nend\n",
                      "");
  Engine& e = r.run.e();
  EXPECT_EQ(str(e, 1), "");
  EXPECT_EQ(str(e, 2), utf8ToSjis("既定"));
  EXPECT_EQ(var(e, 1), 0);
  EXPECT_EQ(var(e, 2), 1);
  // A maximum of 0 would refuse every entry; it is the buffer's 255. Full-width with 1 is 2.
  auto m = runDialogs("inputstr $1,\"p\",0,0\ninputstr $2,\"p\",1,1\ninputstr $3,\"p\",-1,0\nend\n",
                      "type abc\ntype あ\ntype 12a\ntype -45\n");
  EXPECT_EQ(str(m.run.e(), 1), "abc");
  EXPECT_EQ(str(m.run.e(), 2), utf8ToSjis("あ"));
  // A maximum of -1 asks for a number even into a string variable.
  EXPECT_EQ(str(m.run.e(), 3), "-45");
  EXPECT_EQ(count(m.log, "[数値入力] 数値を入力してください。"), 1u) << m.log;
}

TEST(InputText, ReadsTheSizesAndShowsTheOpenDialogInTheDump) {
  auto r = runDialogs("inputnum %1,\"いくつ？\",200,100,150,20\ninput $1,\"名は\",\"太郎\",20,1,300,90,100,20\n"
                      "mov %2,3\nend\n",
                      "wait 5\ndump a\ntype 5\ntype x\nwait 10\ndump b\ntype 花子\n");
  Engine& e = r.run.e();
  EXPECT_EQ(var(e, 1), 5);
  EXPECT_EQ(str(e, 1), utf8ToSjis("花子"));
  EXPECT_EQ(var(e, 2), 3);
  ASSERT_EQ(r.dumps.size(), 2u);
  EXPECT_NE(r.dumps[0].find(R"("dialog":{"kind":"input","caption":"数値入力","prompt":"いくつ？","text":"")"),
            std::string::npos)
      << r.dumps[0];
  // After a refusal the dialog shows the entry again, to be mended.
  EXPECT_NE(r.dumps[1].find(R"("caption":"文字列入力","prompt":"名は","text":"x")"), std::string::npos) << r.dumps[1];
  EXPECT_NE(dumpJson(e).find(R"("dialog":null)"), std::string::npos);
}

TEST(InputText, FirstArgumentErrors) {
  struct Case {
    const char* line;
    const char* message;
  } cases[] = {
      {"inputstr %1,\"p\",10,0", "inputstrの第一引数は文字変数です。"},
      {"input %1,\"p\",\"d\",10,0", "inputの第一引数は文字変数です。"},
      {"inputnum $1,\"p\"", "inputnumの第一引数は数字変数です。"},
  };
  for (const auto& c : cases) {
    auto r = runDialogs(std::string(c.line) + "\nend\n", "");
    EXPECT_EQ(r.run.errorCaption(), "構文エラー") << c.line;
    EXPECT_EQ(r.run.errorMessage().rfind(c.message, 0), 0u) << c.line;
  }
}

TEST(CdDriveDialog, OffersTheDefaultAndFoldersWithTracksAndStoresTheChoice) {
  useGameFiles({{"cd/track02.ogg", "x"}, {"music2/track02.ogg", "x"}, {"other/readme.txt", "x"}});
  auto r = runDialogs("wait 500\nwait 500\nwait 500\nend\n",
                      "menu 40020\nwait 10\ndump a\nselect 1\nwait 600\nmenu 40020\nwait 10\ndump b\ncancel\n"
                      "wait 500\nmenu 40020\nwait 10\ntype デフォルト\n");
  ASSERT_EQ(r.dumps.size(), 2u);
  EXPECT_NE(r.dumps[0].find(R"("kind":"list","caption":"ＣＤドライブ選択","prompt":"","text":"","entries":["デフォルト","music2"],"selection":0)"),
            std::string::npos)
      << r.dumps[0];
  // Opened again, the current choice is selected; Cancel keeps it.
  EXPECT_NE(r.dumps[1].find(R"("entries":["デフォルト","music2"],"selection":1)"), std::string::npos) << r.dumps[1];
  EXPECT_EQ(r.run.e().sound.cdDrive, "");  // デフォルト empties it at the end

  auto k = runDialogs("wait 500\nend\n", "menu 40020\nselect 1\n");
  EXPECT_EQ(k.run.e().sound.cdDrive, "music2");
}

TEST(CdDriveDialog, AFolderChosenAfterAnEmptyDriveIsTried) {
  // No cd/ folder: the first play finds no disc. The player then picks a folder that has the
  // tracks, and the next play must open it rather than stay silent for the rest of the run.
  useGameFiles({{"music2/track02.wav", test::toneWav(440, 2000)}});
  auto r = runDialogs("play \"*2\"\nwait 300\nwait 300\nplay \"*2\"\nwait 300\nend\n", "wait 100\nmenu 40020\nselect 1\n");
  const SoundState& s = r.run.e().sound;
  EXPECT_EQ(s.cdDrive, "music2");
  EXPECT_EQ(s.cdUnusable, 0);
  EXPECT_EQ(s.cdOpen, 1);
  EXPECT_EQ(s.cdTrackCount, 2);
}

TEST(SaveLoadDialog, ShowsItsFormAndSavesOrLoadsNothing) {
  // Called directly, as the system actions do.
  std::vector<std::string> dumps;
  auto s = runText(game("mov %1,5\nend\n"), "wait 5\ndump a\ncancel\nwait 10\ndump b\nselect 0\n", 120000, [&dumps](Engine& e) {
    e.platform.onDumpRequest = [&dumps, &e](const std::string&) { dumps.push_back(dumpJson(e)); };
    runSaveLoadDialog(e, true);
    runSaveLoadDialog(e, false);
  });
  ASSERT_EQ(dumps.size(), 2u);
  EXPECT_NE(dumps[0].find(R"("kind":"list","caption":"セーブメニュー","prompt":"","text":"","entries":[],"selection":-1)"),
            std::string::npos)
      << dumps[0];
  EXPECT_NE(dumps[1].find(R"("caption":"ロードメニュー")"), std::string::npos) << dumps[1];
  EXPECT_TRUE(s.ended);
  EXPECT_EQ(var(s.e(), 1), 5);
  for (int slot = 0; slot <= 20; ++slot) EXPECT_FALSE(fs::exists("save" + std::to_string(slot) + ".dat")) << slot;
}

}  // namespace
}  // namespace veloria::test
