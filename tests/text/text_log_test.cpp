// The text log: its page rules at the buffer's edges, the viewer with its arrows and paging,
// and the lookback commands.
#include "text/text_log.h"

#include <gtest/gtest.h>

#include <climits>

#include "text/glyph_font.h"
#include "text_harness.h"
#include "voice_file.h"

namespace veloria::test {
namespace {

using Px = std::array<int, 3>;  // blue, green, red

void append(TextLog& log, int bytes) {
  const uint8_t a[2] = {0x82, 0xA0};
  for (; bytes >= 2; bytes -= 2) logAppend(log, a, 2);
  const uint8_t lf = 10;
  if (bytes == 1) logAppend(log, &lf, 1);
}

TEST(TextLogBuffer, PageEndsAtTheRestartEdge) {
  // A page end that leaves 8499 bytes in use keeps every page.
  TextLog log;
  logClear(log, true);
  append(log, 8497);
  ASSERT_EQ(log.writePos, 8498);
  logMarkPage(log);
  EXPECT_EQ(log.writePos, 8499);
  EXPECT_EQ(log.buffer[8498], 1);
  std::string page;
  EXPECT_TRUE(logPage(log, 1, page));
  EXPECT_EQ(page.size(), 8497u);
  // Two page ends in a row give one mark, so no empty page.
  logMarkPage(log);
  EXPECT_EQ(log.writePos, 8499);
  EXPECT_FALSE(logPage(log, 2, page));

  // One that reaches 8500 drops every page: only a mark at the start is left.
  logClear(log, true);
  append(log, 8498);
  logMarkPage(log);
  EXPECT_EQ(log.writePos, 1);
  EXPECT_EQ(log.buffer[0], 1);
  EXPECT_EQ(log.buffer[1], ' ');
  EXPECT_EQ(log.pageMarked, 1);
  EXPECT_FALSE(logPage(log, 1, page));

  // A page longer than the room left stops at the buffer's end; its end starts afresh.
  logClear(log, true);
  append(log, 12001);
  EXPECT_EQ(log.writePos, TextLog::kSize);
  EXPECT_EQ(log.buffer[TextLog::kSize], 0);
  logMarkPage(log);
  EXPECT_EQ(log.writePos, 1);

  // A position from outside (a damaged save) is never written through.
  for (int32_t bad : {-5, TextLog::kSize + 1, INT32_MAX}) {
    logClear(log, true);
    log.writePos = bad;
    append(log, 3);
    EXPECT_EQ(log.writePos, bad);
    EXPECT_FALSE(logPage(log, 1, page));
    EXPECT_EQ(log.buffer[TextLog::kSize], 0);
    logMarkPage(log);
    EXPECT_EQ(log.writePos, 1);
  }
}

// A page of nine lines of twenty characters and a tenth ending in a page wait: 410 bytes
// with its mark.
std::string pages(int n) {
  std::string line;
  for (int i = 0; i < 20; ++i) line += "あ";
  std::string s;
  for (int p = 0; p < n; ++p) {
    for (int i = 0; i < 9; ++i) s += line + "\n";
    s += line + "\\\n";
  }
  return s;
}

TEST(TextLogBuffer, TypedPagesFollowTheRulesAndTheCommands) {
  // Twenty pages end at 8201 bytes and stay; the twenty-first ends past 8500 and drops all.
  auto r = runText(game("wait 1\n!s0\n" + pages(20) + "end\n"), "menu 40006\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.log.writePos, 8201);
  EXPECT_EQ(textLogPageCount(r.e()), 20);
  r = runText(game("wait 1\n!s0\n" + pages(21) + "end\n"), "menu 40006\n");
  EXPECT_EQ(logText(r.e()), "|");
  EXPECT_EQ(textLogPageCount(r.e()), 0);

  // Two page ends in a row give one mark; lookbackoff stops writing, lookbackon resumes.
  r = runText(game("wait 1\n!s0あ\\\n\\\ntextclear\nlookbackoff\nい\\\nlookbackon\nう\\\nend\n"), "menu 40006\n");
  EXPECT_EQ(logText(r.e()), "|あ|う|");
  // lookbackflush empties it; with the log off not even a mark stays.
  r = runText(game("!s0あ\nlookbackflush\nい\nlookbackoff\nlookbackflush\nend\n"));
  EXPECT_EQ(logText(r.e()), "");
  r = runText(game("!s0あ\nlookbackflush\nい\nend\n"));
  EXPECT_EQ(logText(r.e()), "|い\n");

  r = runText(game("lookbackcolor ff0000\nend\n"));
  EXPECT_EQ(r.errorCaption(), "エラー");
  EXPECT_NE(r.errorMessage().find("lookbackcolorのパラメータは#rrggbbの色指定です。"), std::string::npos);
}

// What the viewer showed at each "dump" line of the input.
struct ViewShot {
  std::string page;    // the candidate whose glyph fills the first cell ("" when none)
  bool white = false;  // the glyph is the window's own white text, not the log colour
  Px up, down;
  std::string voice;
  int windowShown = 0;
};

// Whether the first text cell (8, 16) holds `utf8`'s glyph in `rgb` over a black backdrop.
bool cellHolds(Engine& e, const std::string& utf8, const Px& rgb) {
  const std::string c = utf8ToSjis(utf8);
  GlyphRequest req;
  req.faceName = e.text.faceName;
  req.cellWidth = e.text.glyphWidth;
  req.cellHeight = e.text.glyphHeight;
  req.bold = e.text.boldText != 0;
  req.first = static_cast<uint8_t>(c[0]);
  req.second = static_cast<uint8_t>(c[1]);
  const std::vector<uint8_t>& cov = cellCoverage(req);
  bool any = false;
  for (int y = 0; y < req.cellHeight; ++y)
    for (int x = 0; x < req.cellWidth; ++x) {
      int a = cov[static_cast<size_t>(y * req.cellWidth + x)];
      any = any || a > 0;
      Px want{rgb[0] * a / 255, rgb[1] * a / 255, rgb[2] * a / 255};
      if (displayPixel(e, 8 + x, 16 + y) != want) return false;
    }
  return any;
}

TEST(TextLogViewer, PagesBackWithTheArrowsAndReturnsToTheGame) {
  // Arrows 12 x 12 at the window's right corners: up highlighted green, up normal dark green,
  // down highlighted blue, down normal dark blue.
  useGameFiles({{"uon.bmp", solidBmp(12, 12, 0x00FF00)},
                {"uoff.bmp", solidBmp(12, 12, 0x008000)},
                {"don.bmp", solidBmp(12, 12, 0x0000FF)},
                {"doff.bmp", solidBmp(12, 12, 0x000080)},
                {"turn.wav", tinyWav()}});
  std::vector<ViewShot> shots;
  auto setup = [&shots](Engine& e) {
    e.platform.onDumpRequest = [&shots, &e](const std::string&) {
      ViewShot s;
      for (const char* c : {"一", "二", "三", "四"}) {
        if (cellHolds(e, c, Px{0, 0, 255})) s.page = c;
        if (cellHolds(e, c, Px{255, 255, 255})) {
          s.page = c;
          s.white = true;
        }
      }
      s.up = displayPixel(e, 633, 6);
      s.down = displayPixel(e, 633, 473);
      s.voice = e.sound.waveName;
      e.sound.waveName.clear();
      s.windowShown = e.text.windowShown;
      shots.push_back(s);
    };
  };
  const std::string script = game(
      "setwindow 8,16,23,16,26,26,0,2,0,1,0,#ffffff,0,0,639,479\nrlookback\nlookbackcolor #ff0000\n"
      "lookbackvoice \"turn.wav\"\nlookbackbutton \":c;uon.bmp\",\":c;uoff.bmp\",\":c;don.bmp\",\":c;doff.bmp\"\n"
      "一\\\n二\\\n三\\\n四@\nend\n");
  std::string input = "wait 200\nclick 1 1\nwait 200\nclick 1 1\nwait 200\nclick 1 1\nwait 200\nrclick 5 5\nwait 100\n";
  for (const char* step :
       {"move 300 50", "click 300 50", "click 300 50", "click 300 50", "move 300 400", "click 300 400", "rclick 5 5"})
    input += std::string("dump x\n") + step + "\nwait 100\n";
  input += "dump x\nclick 1 1\n";
  auto r = runText(script, input, 120000, setup);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  ASSERT_EQ(shots.size(), 8u);
  const Px none{0, 0, 0}, upOver{0, 255, 0}, upNormal{0, 128, 0}, downOver{255, 0, 0}, downNormal{128, 0, 0};
  struct Want {
    const char* page;
    Px up, down;
    const char* voice;
  };
  const std::vector<Want> want = {
      {"三", upNormal, none, ""},              // opens on the last finished page; no newer one
      {"三", upOver, none, ""},                // the pointer in the upper third
      {"二", upOver, downNormal, "turn.wav"},  // one page further back
      {"一", none, downNormal, "turn.wav"},    // the oldest page: no up arrow
      {"一", none, downNormal, ""},            // a click with no direction does nothing
      {"一", none, downOver, ""},              // the lower third
      {"二", upNormal, downOver, "turn.wav"},  // one page newer
  };
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(shots[i].page, want[i].page) << i;
    EXPECT_FALSE(shots[i].white) << i;
    EXPECT_EQ(shots[i].up, want[i].up) << i;
    EXPECT_EQ(shots[i].down, want[i].down) << i;
    EXPECT_EQ(shots[i].voice, want[i].voice) << i;
  }
  // A right click leaves: the window is back with the page being read.
  EXPECT_EQ(shots[7].page, "四");
  EXPECT_TRUE(shots[7].white);
  EXPECT_EQ(shots[7].windowShown, 1);
  EXPECT_EQ(shots[7].up, none);
}

TEST(TextLogViewer, RefusesWithoutAnEarlierPageAndSurvivesADamagedPosition) {
  useGameFiles({{"no.wav", tinyWav()}});
  std::vector<std::string> voices;
  auto setup = [&voices](Engine& e) {
    e.ui.menuVoices[kMenuVoiceRefuse] = "no.wav";
    e.platform.onDumpRequest = [&voices, &e](const std::string& what) {
      if (what.find("damage") != std::string::npos) e.text.log.writePos = INT32_MAX;
      voices.push_back(e.sound.waveName);
      e.sound.waveName.clear();
    };
  };
  // Only the page being typed: the refuse voice, and the wait goes on.
  auto r =
      runText(game("rlookback\n!s0あ@\nend\n"), "wait 200\nrclick 5 5\nwait 100\ndump a\nclick 1 1\n", 120000, setup);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  ASSERT_EQ(voices.size(), 1u);
  EXPECT_EQ(voices[0], "no.wav");
  EXPECT_EQ(r.e().text.windowShown, 1);

  // A write position far outside the buffer: the viewer reads only the buffer.
  voices.clear();
  r = runText(game("rlookback\n!s0あ\\\nい@\nend\n"),
              "wait 200\nclick 1 1\nwait 200\ndump damage\nrclick 5 5\nwait 100\nrclick 5 5\nwait 100\nclick 1 1\n",
              120000, setup);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(textLogPageCount(r.e()), 1);
}

TEST(TextLogViewer, DefaultArrowsUnlessTheDefineBlockGaveOthers) {
  useGameFiles({{"uoncur.bmp", solidBmp(12, 10, 0x00FF00)}, {"mine.bmp", solidBmp(7, 5, 0x00FF00)}});
  auto r = runText(game("end\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.lookbackArrows[0].width(), 12);
  EXPECT_EQ(r.e().text.lookbackArrows[0].height(), 10);
  EXPECT_TRUE(r.e().text.lookbackArrows[3].hasPicture());  // a missing one is blank
  // Given in the define block, they stay through a reset.
  r = runText(game("add %200,1\nif %200<2 reset\nend\n",
                   "lookbackbutton \"mine.bmp\",\"mine.bmp\",\"mine.bmp\",\"mine.bmp\"\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 200), 2);
  EXPECT_EQ(r.e().text.lookbackArrows[0].width(), 7);
}

}  // namespace
}  // namespace veloria::test
