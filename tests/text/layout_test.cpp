// Line breaking rules and the text log buffer.
#include <gtest/gtest.h>

#include "platform/text_codec.h"
#include "text/line_layout.h"
#include "text/text_log.h"
#include "engine/text_state.h"

namespace veloria {
namespace {

std::vector<SjisChar> chars(const char* utf8) {
  const std::string& s = sj(utf8);
  std::vector<SjisChar> v;
  for (size_t i = 0; i + 1 < s.size(); i += 2)
    v.push_back(static_cast<SjisChar>(static_cast<uint8_t>(s[i]) << 8 | static_cast<uint8_t>(s[i + 1])));
  return v;
}

TEST(TextLineBreak, ForbiddenStartsAndEndsMoveCharactersTogether) {
  EXPECT_EQ(needsEarlyBreak(chars("あい")), 0);
  EXPECT_EQ(needsEarlyBreak(chars("あ。")), 1);   // the closer may not start the next line
  EXPECT_EQ(needsEarlyBreak(chars("「あ")), 1);   // the opener may not end this line
  EXPECT_EQ(needsEarlyBreak(chars("「「あ")), 2);
  EXPECT_EQ(needsEarlyBreak(chars("あ」。い")), 2);
  EXPECT_EQ(needsEarlyBreak(chars("。")), 0);     // one character alone never moves
  EXPECT_EQ(needsEarlyBreak({}), 0);
  for (const char* c : {"、", "。", "，", "．", "・", "？", "！", "゛", "゜", "ヽ", "ヾ", "ゝ", "ゞ", "々", "ー", "）",
                        "］", "｝", "」", "』"})
    EXPECT_TRUE(isNoLineStart(chars(c)[0])) << c;
  for (const char* c : {"（", "［", "｛", "「", "『"}) EXPECT_TRUE(isNoLineEnd(chars(c)[0])) << c;
  EXPECT_FALSE(isNoLineStart(chars("あ")[0]));
  EXPECT_FALSE(isNoLineEnd(chars("」")[0]));
}

TEST(TextLineBreak, LookAheadCollectsFollowingCharacters) {
  std::string line = sj("あ") + "ab" + sj("い") + "@" + sj("う");
  LookAhead la = lookAhead(line, 2);
  EXPECT_EQ(la.chars, chars("いう"));
  EXPECT_FALSE(la.waitFirst);
  la = lookAhead("@" + sj("い"), 0);
  EXPECT_TRUE(la.waitFirst);
  la = lookAhead("\\" + sj("い"), 0);
  EXPECT_TRUE(la.waitFirst);
  // At most 128 steps; a zero byte or a lead byte without its partner ends the look.
  la = lookAhead(std::string(128, 'a') + sj("い"), 0);
  EXPECT_TRUE(la.chars.empty());
  la = lookAhead(std::string(127, 'a') + sj("い"), 0);
  EXPECT_EQ(la.chars.size(), 1u);
  la = lookAhead(sj("い") + std::string(1, '\0') + sj("う"), 0);
  EXPECT_EQ(la.chars, chars("い"));
  la = lookAhead(sj("い") + "\x82", 0);
  EXPECT_EQ(la.chars, chars("い"));
  // Strings: a closer right after an opener goes with it.
  la = lookAhead(sj("「」あ"), 0, true);
  EXPECT_EQ(la.chars, chars("「あ"));
}

TEST(TextLogBuffer, CharactersLinesAndPageMarks) {
  TextLog log;
  logClear(log, true);
  EXPECT_EQ(log.buffer[0], 1);
  EXPECT_EQ(log.writePos, 1);
  EXPECT_EQ(log.buffer[1], ' ');
  EXPECT_EQ(log.buffer[TextLog::kSize], 0);
  const uint8_t a[2] = {0x82, 0xA0};
  logAppend(log, a, 2);
  const uint8_t lf = 10;
  logAppend(log, &lf, 1);
  logMarkPage(log);
  logMarkPage(log);  // two page ends in a row give one mark
  EXPECT_EQ(log.writePos, 5);
  EXPECT_EQ(std::string(log.buffer.begin(), log.buffer.begin() + 6), std::string("\x01\x82\xA0\x0A\x01 ", 6));
  logClear(log, false);
  EXPECT_EQ(log.writePos, 0);
  EXPECT_EQ(log.buffer[0], ' ');
}

TEST(TextLogBuffer, RestartsAtPageEndsAndNeverRunsPastTheEnd) {
  TextLog log;
  logClear(log, true);
  const uint8_t a[2] = {0x82, 0xA0};
  while (log.writePos < 8600) logAppend(log, a, 2);
  logMarkPage(log);
  EXPECT_EQ(log.writePos, 1);
  EXPECT_EQ(log.buffer[0], 1);
  EXPECT_EQ(log.pageMarked, 1);
  // One page longer than the whole buffer: storing stops at the end.
  for (int i = 0; i < 6000; ++i) logAppend(log, a, 2);
  EXPECT_LE(log.writePos, TextLog::kSize);
  EXPECT_EQ(log.buffer[TextLog::kSize], 0);
  logMarkPage(log);
  EXPECT_EQ(log.writePos, 1);
}

}  // namespace
}  // namespace veloria
