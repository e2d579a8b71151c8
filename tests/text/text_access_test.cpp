// The later dialect's settings, hooks and text access: pretextgosub, texthide/textshow,
// gettext/getlog with a page-bounded log, addkinsoku, ruby, language and nsa.
#include <gtest/gtest.h>

#include <algorithm>

#include "text/text_log.h"
#include "text_harness.h"

namespace veloria::test {
namespace {

std::string laterGame(const std::string& body, const std::string& define = "") {
  return ";value 200\n" + game(body, define);
}

std::string str(Engine& e, int i) { return sjisToUtf8(e.script.strVars[static_cast<size_t>(i)]); }

TEST(TextHooks, PretextgosubRunsOnceBeforeEachTextLineOfAScriptLine) {
  // Three lines: three calls. The routine's own text does not call it again.
  auto r = runText(laterGame("!s0あ\nい\nう\nend\n*pre\nadd %1,1\nreturn\n", "pretextgosub *pre\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 3);
  r = runText(laterGame("!s0あ\nend\n*pre\nadd %1,1\nえ\nreturn\n", "pretextgosub *pre\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 1);
  EXPECT_EQ(logText(r.e()), "|え\nあ\n");

  // Under textgosub, the segments after a wait on the same script line do not call it.
  r = runText(laterGame("!s0あ@い@\nend\n*pre\nadd %1,1\nreturn\n*tg\ntexec\nreturn\n",
                        "pretextgosub *pre\ntextgosub *tg\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 1);
}

TEST(TextHooks, TexthideLeavesTheWindowOutUntilTextshowOrTyping) {
  auto r = runText(laterGame("!s0#ff0000■/\ntexthide\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  EXPECT_EQ(displayPixel(e, 8 + 13, 16 + 13), (std::array<int, 3>{0, 0, 0}));
  // The page and the cursor stay.
  EXPECT_EQ(e.text.cursorColumn, 1);
  r = runText(laterGame("!s0#ff0000■/\ntexthide\ntextshow\nend\n"));
  EXPECT_EQ(displayPixel(r.e(), 8 + 13, 16 + 13), (std::array<int, 3>{0, 0, 255}));
  // Typing brings it back.
  r = runText(laterGame("!s0#ff0000■/\ntexthide\n■/\nend\n"));
  EXPECT_EQ(r.e().text.textHidden, 0);
  EXPECT_EQ(displayPixel(r.e(), 8 + 13, 16 + 13), (std::array<int, 3>{0, 0, 255}));
}

TEST(TextHooks, GettextAndGetlogWithAPageBoundedLog) {
  // gettext: the page in typing order, without line breaks.
  auto r = runText(laterGame("!s0あい\n`ab`\ngettext $1\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(str(r.e(), 1), "あいab");

  // Five pages with maxkaisoupage 3: three are kept.
  std::string clicks;
  for (int i = 0; i < 5; ++i) clicks += "wait 20\nclick 10 10\n";
  r = runText(laterGame("!s0あ\\\nい\\\nう\\\nえ\\\nお\\\nか\ngetlog $1,1\ngetlog $2,3\ngetlog $3,4\ngetlog $4,0\nend\n",
                        "maxkaisoupage 3\n"),
              clicks);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  EXPECT_EQ(str(e, 1), "お");
  EXPECT_EQ(str(e, 2), "う");
  EXPECT_EQ(str(e, 3), "");
  EXPECT_EQ(str(e, 4), "か\n");
  EXPECT_EQ(textLogPageCount(e), 3);

  // Without maxkaisoupage the log is the ring, and getlog reads it the same way.
  r = runText(laterGame("!s0あ\\\nい\\\ngetlog $1,2\nend\n"), "wait 20\nclick 10 10\nwait 20\nclick 10 10\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(str(r.e(), 1), "あ");

  r = runText(laterGame("end\n", "maxkaisoupage 0\n"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.errorCaption(), "パラメータエラー");
}

TEST(TextHooks, PageListSurvivesTheRingFormOfASave) {
  TextLog log;
  logClear(log, true);
  logSetPageLimit(log, 2);
  for (const char* page : {"one", "two", "three"}) {
    logAppend(log, reinterpret_cast<const uint8_t*>(page), static_cast<int>(std::string(page).size()));
    logMarkPage(log);
  }
  logAppend(log, reinterpret_cast<const uint8_t*>("open"), 4);
  int32_t pos = 0;
  std::string ring = logAsRing(log, pos);
  EXPECT_EQ(ring, "\1two\1three\1open");
  EXPECT_EQ(pos, static_cast<int32_t>(ring.size()));

  TextLog back;
  back.maxPages = 2;
  logFromRing(back, ring);
  std::string page;
  ASSERT_TRUE(logPage(back, 1, page));
  EXPECT_EQ(page, "three");
  ASSERT_TRUE(logPage(back, 2, page));
  EXPECT_EQ(page, "two");
  EXPECT_FALSE(logPage(back, 3, page));
  EXPECT_EQ(back.openPage, "open");

  // A long list is cut from the oldest end at a page mark, to the ring's size.
  TextLog big;
  logSetPageLimit(big, 100);
  const std::string text(3000, 'x');
  for (int i = 0; i < 5; ++i) {
    logAppend(big, reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()));
    logMarkPage(big);
  }
  ring = logAsRing(big, pos);
  EXPECT_LE(ring.size(), static_cast<size_t>(TextLog::kSize));
  EXPECT_EQ(ring.front(), '\1');
  EXPECT_EQ(std::count(ring.begin(), ring.end(), '\1'), 4);
}

TEST(TextHooks, AddkinsokuKeepsAddedClosersOffALineStart) {
  const std::string window = "setwindow 8,16,4,4,26,26,0,2,0,1,1,#999999,0,0,639,479\n";
  // Without it, the closing quotation mark starts the second line.
  auto r = runText(laterGame(window + "!s0あいうえ”/\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.cursorLine, 1);
  EXPECT_EQ(r.e().text.cursorColumn, 1);
  r = runText(laterGame(window + "!s0あいうえ”/\nend\n", "addkinsoku \"”\",\"\"\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.cursorLine, 1);
  EXPECT_EQ(r.e().text.cursorColumn, 2);
}

TEST(TextHooks, RubyDrawsAboveAndTheLogKeepsTheBaseText) {
  auto r = runText(laterGame("!s0\nbr\n(漢字/かんじ)です/\nend\n", "rubyon\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  EXPECT_EQ(logText(e), "|\n漢字です");
  EXPECT_EQ(e.text.cursorColumn, 4);
  // Ink above the base text's line, where the ruby goes.
  int ink = 0;
  for (int y = 16 + 28 - 13; y < 16 + 28; ++y)
    for (int x = 8; x < 8 + 52; ++x) ink += coverageAt(e, x, y) > 0;
  EXPECT_GT(ink, 0);
  // Without rubyon the group is plain text.
  r = runText(laterGame("!s0(a/b)/\ngettext $1\nend\n"));
  EXPECT_EQ(str(r.e(), 1), "(a/b)");
}

TEST(TextHooks, WheelAndEscapeAreInputsOnlyWhenAsked) {
  // A turn down is a click at a click wait after usewheel, nothing before.
  const std::string body = "!s0あ@\nend\n";
  auto r = runText(laterGame(body, "usewheel\n"), "wait 30\nwheel down\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  r = runText(laterGame(body), "wait 30\nwheel down\n", 3000);
  EXPECT_TRUE(r.timedOut);

  // A turn up opens the text log: the right click then closes the viewer instead of running
  // the right-click routine.
  const std::string logged = "!s0あ\\\nい@\nend\n*r\nadd %1,1\nreturn\n";
  const std::string input = "wait 20\nclick 10 10\nwait 20\nwheel up\nwait 20\nrclick 10 10\nwait 20\nclick 10 10\n";
  r = runText(laterGame(logged, "usewheel\nrgosub *r\n"), input);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 0);
  r = runText(laterGame(logged, "rgosub *r\n"), input);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 1);

  // Esc is a right click after useescspc.
  const std::string esc = "!s0あ@\nend\n*r\nadd %1,1\nreturn\n";
  r = runText(laterGame(esc, "useescspc\nrgosub *r\n"), "wait 20\nkey esc\nwait 20\nclick 10 10\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 1);
  r = runText(laterGame(esc, "rgosub *r\n"), "wait 20\nkey esc\nwait 20\nclick 10 10\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 0);
}

TEST(TextHooks, LanguageAndNsa) {
  auto r = runText(laterGame("end\n", "language english\nnsa\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().script.language, "english");
  EXPECT_EQ(r.e().res.archivesEnabled, 1);
  // Another word is a warning, and the game goes on.
  r = runText(laterGame("end\n", "language klingon\n"));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.e().script.language, "");
}

}  // namespace
}  // namespace veloria::test
