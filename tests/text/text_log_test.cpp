// The text log buffer at its edges.
#include "text/text_log.h"

#include <gtest/gtest.h>

#include <climits>

#include "text_harness.h"

namespace veloria::test {
namespace {

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

}  // namespace
}  // namespace veloria::test
