// Reading aloud, heard through the headless record: what is said for a page, a choice, the
// system menu and its slots, boxes and dialogs, when a click cuts it off, and the player's
// switch, remembered for the next game.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "engine/engine.h"
#include "engine/reading_aloud.h"
#include "platform/files.h"
#include "platform/headless/autoplay_port.h"
#include "platform/text_codec.h"
#include "support/game_runner.h"

using namespace veloria;
using namespace veloria::test;

namespace {

// A text window over the whole screen, typed at once: row r is at y = 16 + 28 r, so a choice
// on an empty page has option i at y = rowY(i).
const std::string kWindow = "setwindow 8,16,23,16,26,26,0,2,0,1,0,#ffffff,0,0,639,479\n";
int rowY(int row) { return 16 + 28 * row + 10; }

std::string game(const std::string& body, const std::string& define = "") {
  return "*define\n" + define + "game\n*start\n" + kWindow + body;
}

struct Heard {
  GameRun run;
  std::vector<SpeechEvent> events;
  bool on = false;                 // reading aloud at the end
  std::string file;                // the --record-speech lines
  std::string remembered;          // the player's setting file after the run
  // The utterances alone, in order.
  std::vector<std::string> said() const {
    std::vector<std::string> out;
    for (const auto& ev : events)
      if (!ev.stop) out.push_back(ev.text);
    return out;
  }
};

struct Listen {
  bool record = true;     // the run records speech (else it has no voice at all)
  bool readAloud = true;  // on from the start, as --record-speech turns it on
  std::string rememberedBefore;  // the player's setting file before the run ("" = none)
};

Heard listen(const std::string& script, const std::string& input, const Listen& how = {}) {
  Heard h;
  RunOptions o;
  o.input = input;
  o.timeoutMs = 60000;
  o.recordSpeech = how.record;
  o.recordSpeechFile = how.record ? "speech.txt" : "";
  o.readAloud = how.readAloud;
  o.prepare = [&](const std::string&) {
    if (how.rememberedBefore.empty()) return;
    fs::makeDirectories(fs::userConfigDirectory());
    fs::writeHostFile(readingAloudRecordPath(fs::userConfigDirectory()), how.rememberedBefore.data(),
                      how.rememberedBefore.size());
  };
  o.inspect = [&](Engine& e) {
    if (const auto* events = recordedSpeech(e.platform)) h.events = *events;
    h.on = readingAloud(e);
    if (auto d = fs::readHostFile(readingAloudRecordPath(fs::userConfigDirectory())))
      h.remembered.assign(d->begin(), d->end());
  };
  h.run = runGame({{"0.txt", sjisText(script)}}, o);
  if (auto d = fs::readHostFile(h.run.gameDir + "/speech.txt")) h.file.assign(d->begin(), d->end());
  return h;
}

using Said = std::vector<std::string>;

}  // namespace

TEST(ReadingAloud, EachPageIsSaidAsItStopsAndAClickCutsItOff) {
  // Two stops on the first page, then a second page of two lines; the wait marks are not said.
  Heard h = listen(game("こんにちは、@世界。\\\n一行目\n二行目\\\nend\n"),
                   "wait 1000\nclick 320 240\nwait 1000\nclick 320 240\nwait 1000\nclick 320 240\n");
  ASSERT_EQ(h.run.exitCode, 0) << h.run.errorMessage;
  EXPECT_EQ(h.said(), (Said{"こんにちは、", "世界。", "一行目二行目"}));
  for (const auto& ev : h.events) {
    if (!ev.stop) {
      EXPECT_EQ(ev.language, "ja") << ev.text;
    }
  }

  // Each click stops what is being said, before the next utterance starts.
  std::vector<uint32_t> stops;
  for (size_t i = 0; i < h.events.size(); ++i) {
    if (!h.events[i].stop) continue;
    stops.push_back(h.events[i].timeMs);
    ASSERT_GT(i, 0u);
    EXPECT_FALSE(h.events[i - 1].stop);
  }
  ASSERT_EQ(stops.size(), 3u);
  for (size_t i = 0; i < stops.size(); ++i) {
    EXPECT_GE(stops[i], 1000u * (i + 1));
    EXPECT_LT(stops[i], 1000u * (i + 1) + 5);
  }

  // The record: one line per utterance, the virtual time, a tab, the text.
  std::istringstream lines(h.file);
  std::vector<std::string> texts;
  uint32_t last = 0;
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, std::regex(R"((\d+)\t(.+))"))) << line;
    const uint32_t ms = static_cast<uint32_t>(std::stoul(m[1]));
    EXPECT_GE(ms, last);
    last = ms;
    texts.push_back(m[2]);
  }
  EXPECT_EQ(texts, h.said());
  EXPECT_LT(std::stoul(h.file), 1000u);  // the first page is said before the first click
}

TEST(ReadingAloud, ChoiceOptionsAndTextButtonsAreSaidAsEachIsHighlighted) {
  const std::string script = game("select \"はい\",*a,\"いいえ\",*b\n*a\nmov %0,1\nend\n*b\nmov %0,2\nend\n");
  // The ways a player highlights the second option; each must be heard the same.
  const std::vector<std::pair<std::string, std::string>> secondOption = {
      {"pointer", "move 20 " + std::to_string(rowY(1)) + "\n"},
  };
  for (const auto& [how, keys] : secondOption) {
    SCOPED_TRACE(how);
    // Onto the first, within it (not said again), onto the second, off every option (nothing),
    // back onto the second (said again), then the second is taken.
    Heard h = listen(script, "wait 500\nmove 20 " + std::to_string(rowY(0)) + "\nwait 100\nmove 30 " +
                                 std::to_string(rowY(0)) + "\nwait 100\n" + keys + "wait 100\nmove 600 400\n" +
                                 "wait 100\nmove 20 " + std::to_string(rowY(1)) + "\nwait 100\nclick 20 " +
                                 std::to_string(rowY(1)) + "\n");
    ASSERT_EQ(h.run.exitCode, 0) << h.run.errorMessage;
    EXPECT_EQ(h.said(), (Said{"はい", "いいえ", "いいえ"}));
    EXPECT_TRUE(h.events.back().stop) << "the click that took the option stops the voice";
  }

  // The script's own choice screen: text buttons of the options, said as each is hovered.
  Heard h = listen(game("csel \"はい\",*a,\"いいえ\",*b\n*customsel\ncselbtn 0,1,100,100\ncselbtn 1,2,100,140\n"
                        "textbtnwait %1\nend\n*a\nend\n*b\nend\n"),
                   "wait 1000\nmove 110 110\nwait 100\nmove 110 150\nwait 100\nmove 300 300\nwait 100\n"
                   "click 110 150\n");
  ASSERT_EQ(h.run.exitCode, 0) << h.run.errorMessage;
  EXPECT_EQ(h.said(), (Said{"はい", "いいえ", "いいえ"}));
}

TEST(ReadingAloud, SystemMenuItemsAndSlotsAreSaidAsEachIsHighlighted) {
  // The right-click menu (item i at y = 184 + 28 i) with an English item, then the save
  // slots (slot s at y = 156 + 28 (s - 1)), left with right clicks. The slot list opens
  // under the pointer that chose セーブ: slot 2 is highlighted at once.
  const std::string define = "rmenu \"Save\",save,\"ロード\",load,\"ログ\",lookback,\"終了\",reset\n";
  Heard h = listen(game("本文\\\nend\n", define),
                   "wait 500\nrclick 320 10\nwait 200\nmove 320 198\nwait 100\nmove 320 226\nwait 100\n"
                   "click 320 198\nwait 200\nmove 320 170\nwait 100\nrclick 320 170\nwait 200\nrclick 320 10\n"
                   "wait 200\nquit\n");
  ASSERT_EQ(h.run.exitCode, 0) << h.run.errorMessage;
  const Said said = h.said();
  ASSERT_GE(said.size(), 6u);
  EXPECT_EQ(said[0], "本文");
  EXPECT_EQ(said[1], "Save");
  EXPECT_EQ(said[2], "ロード");
  // Back on セーブ for the click that opens the slots, then the slots under the pointer.
  EXPECT_EQ(said[3], "Save");
  EXPECT_EQ(said[4].rfind("しおり２", 0), 0u) << said[4];
  EXPECT_EQ(said[5].rfind("しおり１", 0), 0u) << said[5];
  for (const auto& ev : h.events) {
    if (!ev.stop) {
      EXPECT_EQ(ev.language, ev.text == "Save" ? "en" : "ja") << ev.text;
    }
  }
}

TEST(ReadingAloud, BoxesAndDialogsAreSaidWhenTheyOpen) {
  Heard h = listen(game("mesbox \"保存しました\",\"お知らせ\"\ninputstr $1,\"名前を入れてください\",10,0\nend\n"),
                   "wait 100\nanswer ok\nwait 100\ntype 太郎\n");
  ASSERT_EQ(h.run.exitCode, 0) << h.run.errorMessage;
  ASSERT_GE(h.said().size(), 2u);
  EXPECT_EQ(h.said()[0], "お知らせ 保存しました");
  EXPECT_NE(h.said()[1].find("名前を入れてください"), std::string::npos) << h.said()[1];
}

TEST(ReadingAloud, TheSwitchIsRememberedAndStaysOffWithoutAVoice) {
  const std::string script = game("一頁目\\\n二頁目\\\nend\n");
  // The first page stops at about 500 ms.
  const std::string input = "wait 1000\nkey V\nwait 100\nclick 320 240\nwait 500\nclick 320 240\n";

  // Off by default: the first page is not said; V turns it on for the second and keeps that.
  Heard first = listen(script, input, {.record = true, .readAloud = false, .rememberedBefore = ""});
  ASSERT_EQ(first.run.exitCode, 0) << first.run.errorMessage;
  EXPECT_EQ(first.said(), (Said{"二頁目"}));
  EXPECT_TRUE(first.on);
  EXPECT_EQ(first.remembered, "on\n");

  // The next game starts with it on; V turns it off again (and silences it) and that is kept.
  Heard second = listen(script, input, {.record = true, .readAloud = false, .rememberedBefore = first.remembered});
  EXPECT_EQ(second.said(), (Said{"一頁目"}));
  EXPECT_FALSE(second.on);
  EXPECT_EQ(second.remembered, "off\n");
  ASSERT_FALSE(second.events.empty());
  EXPECT_TRUE(second.events.back().stop);

  // The menu item does what V does.
  Heard menu = listen(script, "wait 1000\nmenu " + std::to_string(IDM_READ_ALOUD) + "\nwait 100\nclick 320 240\n",
                      {.record = true, .readAloud = false, .rememberedBefore = ""});
  EXPECT_EQ(menu.said(), (Said{"二頁目"}));

  // Without a voice the item says so, and neither V nor the item turns it on or writes a
  // setting, even when the player had it on.
  Heard silent = listen(script, "wait 900\nmenu " + std::to_string(IDM_READ_ALOUD) + "\n" + input,
                        {.record = false, .readAloud = true, .rememberedBefore = "on\n"});
  ASSERT_EQ(silent.run.exitCode, 0) << silent.run.errorMessage;
  EXPECT_FALSE(silent.on);
  EXPECT_EQ(silent.remembered, "on\n");
  for (bool record : {true, false}) {
    HeadlessOptions o;
    o.recordSpeech = record;
    auto p = makeHeadlessPlatform(o);
    loadMenuResource(*p);
    const MenuItem* item = p->menu().find(IDM_READ_ALOUD);
    ASSERT_TRUE(item);
    EXPECT_EQ(sjisToUtf8(item->text), record ? "読み上げ" : "読み上げ（使用できません）");
  }
  // A damaged setting counts as off.
  Heard damaged = listen(script, "wait 500\nclick 320 240\n", {.record = true, .readAloud = false,
                                                               .rememberedBefore = "yes please\n"});
  EXPECT_TRUE(damaged.said().empty());
}

TEST(ReadingAloud, JapaneseTextGetsTheJapaneseVoice) {
  for (const char* ja : {"はい", "セーブ", "漢字", "ｱｲｳ", "Ａ", "Save。", "「x」"}) EXPECT_EQ(speechLanguage(ja), "ja") << ja;
  for (const char* en : {"Save", "", "1 2 3", "café", "→"}) EXPECT_EQ(speechLanguage(en), "en") << en;
}
