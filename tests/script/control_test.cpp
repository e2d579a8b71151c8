// Conditions, jumps, subroutines and the relative moves.
#include "script_harness.h"

namespace veloria::test {
namespace {

std::string failureOf(ScriptHarness& h, std::string_view script) {
  EXPECT_EQ(h.run(script), 1) << script;
  return h.errorCaption() + "|" + h.errorHead();
}

TEST(Conditions, AndChainsForIfAndNotif) {
  // Each row: values of %1 and %2, then whether if / notif ran the rest of the line.
  struct Case {
    int a, b;
    bool ifRan, notifRan;
  } cases[] = {{1, 2, true, false}, {1, 0, false, false}, {0, 2, false, false}, {0, 0, false, true}};
  for (const auto& c : cases) {
    ScriptHarness h;
    std::string body = "mov %1," + std::to_string(c.a) + ":mov %2," + std::to_string(c.b) +
                       "\nif %1 == 1 && %2 == 2 : mov %10,1 : mov %11,1\nnotif %1 == 1 & %2 == 2 mov %12,1:mov %13,1";
    ASSERT_EQ(h.run(game(body)), 0);
    EXPECT_EQ(h.num(10), c.ifRan) << c.a << c.b;
    EXPECT_EQ(h.num(11), c.ifRan) << c.a << c.b;
    EXPECT_EQ(h.num(12), c.notifRan) << c.a << c.b;
    EXPECT_EQ(h.num(13), c.notifRan) << c.a << c.b;
  }
}

TEST(Conditions, Operators) {
  ScriptHarness h;
  ASSERT_EQ(h.run(game("mov %0,-3\n"
                       "if %0 <> 2 mov %1,1\nif %0 != 3 mov %2,1\nif %0 = -3 mov %3,1\nif %0 == -3 mov %4,1\n"
                       "if %0 < -2 mov %5,1\nif %0 <= -3 mov %6,1\nif %0 > -4 mov %7,1\nif %0 >= -3 mov %8,1\n"
                       "if %0 > -3 mov %9,1\nif -3<%0 mov %10,1\nif %0<=-4 mov %11,1")),
            0);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(h.num(i), 1) << i;
  EXPECT_EQ(h.num(9), 0);
  EXPECT_EQ(h.num(10), 0);
  EXPECT_EQ(h.num(11), 0);
}

TEST(Conditions, ABareExclamationIsNoComparison) {
  ScriptHarness h;
  // The result stays false and the line is skipped; the '!' is never read as text.
  ASSERT_EQ(h.run(game("if 1 ! 2 mov %0,1\nmov %1,1")), 0);
  EXPECT_EQ(h.num(0), 0);
  EXPECT_EQ(h.num(1), 1);
}

TEST(Conditions, FileAndLabelChecks) {
  ScriptHarness h;
  h.restoreDefaults();
  logFile(h.e, "cg\\ev01.bmp");
  ASSERT_EQ(h.run(game("if fchk \"CG/EV01.BMP\" mov %0,1\nif fchk \"cg/ev02.bmp\" mov %1,1\n"
                       "goto *seen\n*seen\nif lchk *SEEN mov %2,1\nnotif lchk \"*never\" mov %3,1")),
            0);
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.num(1), 0);
  EXPECT_EQ(h.num(2), 1);
  EXPECT_EQ(h.num(3), 1);
  EXPECT_EQ(failureOf(h, "*define\nif fchk \"a\" mov %0,1\ngame\n"), "エラー|fchk条件式は、定義ブロックでは使えません。");
  EXPECT_EQ(failureOf(h, "*define\nif lchk *a mov %0,1\ngame\n"), "エラー|lchk条件式は、定義ブロックでは使えません。");
  EXPECT_EQ(failureOf(h, game("if fxyz \"a\" mov %0,1")), "エラー|if条件式が間違っています。");
  EXPECT_EQ(failureOf(h, game("if 1 # 2 mov %0,1")), "エラー|if条件式が間違っています。");
}

TEST(Jumps, GosubReturnAndTheStackLimits) {
  ScriptHarness h;
  ASSERT_EQ(h.run(game("gosub *sub : mov %1,%0\ngoto *after\n*sub\ninc %0\nreturn\n*after\nmov %2,1")), 0);
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.num(1), 1);  // the return came back to the same line
  EXPECT_EQ(h.num(2), 1);
  // 1000 nested calls fit; the 1001st overflows.
  std::string nest = "*down\ninc %0\nif %0 <= LIMIT gosub *down\nend";
  ScriptHarness ok;
  ASSERT_EQ(ok.run(game(std::string(nest).replace(nest.find("LIMIT"), 5, "999"))), 0);
  EXPECT_EQ(ok.e.script.callStack.depth, 999);
  ScriptHarness deep;
  ASSERT_EQ(deep.run(game(std::string(nest).replace(nest.find("LIMIT"), 5, "1000"))), 0);
  EXPECT_EQ(deep.e.script.callStack.depth, 1000);
  EXPECT_EQ(failureOf(deep, game(std::string(nest).replace(nest.find("LIMIT"), 5, "1001"))),
            "スタックエラー|gosub文のせいでスタックが溢れました。");
  EXPECT_EQ(failureOf(deep, game("return")), "スタックエラー|returnとgosub文が正しく対応していません。");
}

TEST(Jumps, CallStackInterfaceRefusesOverflow) {
  ScriptHarness h;
  for (int i = 0; i < kCallStackSize; ++i) ASSERT_TRUE(callStackPush(h.e, static_cast<uint32_t>(i)));
  EXPECT_TRUE(callStackFull(h.e));
  EXPECT_FALSE(callStackPush(h.e, 1));
  uint32_t pos = 0;
  ASSERT_TRUE(callStackPop(h.e, pos));
  EXPECT_EQ(pos, static_cast<uint32_t>(kCallStackSize - 1));
  h.e.script.callStack.clear();
  EXPECT_FALSE(callStackPop(h.e, pos));
}

TEST(Jumps, LabelsInStringsAndMissingLabels) {
  ScriptHarness h;
  ASSERT_EQ(h.run(game("mov $0,\"*Target\"\ngoto $0\nmov %0,1\n*target\nmov %1,1")), 0);
  EXPECT_EQ(h.num(0), 0);
  EXPECT_EQ(h.num(1), 1);
  EXPECT_EQ(failureOf(h, game("goto \"*NoSuch\"")), "ラベルエラー|ラベル*NoSuchは存在しません");
}

TEST(Jumps, SkipByLines) {
  ScriptHarness h;
  ASSERT_EQ(h.run(game("skip 2\nmov %0,1\nmov %1,1\n"
                       "mov %2,1 : skip 0 : mov %3,1\n"
                       "inc %4\nif %4 < 3 skip -1\n"
                       "\nmov %5,1\nif %6 == 0 mov %6,1 : skip -3\n")),
            0);
  EXPECT_EQ(h.num(0), 0);
  EXPECT_EQ(h.num(1), 1);
  EXPECT_EQ(h.num(2), 1);
  EXPECT_EQ(h.num(3), 1);
  EXPECT_EQ(h.num(4), 3);  // skip -1 goes to the start of the previous line
  EXPECT_EQ(h.num(5), 1);
  EXPECT_EQ(failureOf(h, game("skip 5")), "構文エラー|SKIPがスクリプトの範囲を飛び出しました。");
  EXPECT_EQ(failureOf(h, "*define\ngame\n*start\nskip -4\n"), "構文エラー|SKIPがスクリプトの範囲を飛び出しました。");
  EXPECT_EQ(failureOf(h, "*define\ngame\n*start\nskip -2147483648\n"),
            "構文エラー|SKIPがスクリプトの範囲を飛び出しました。");
}

TEST(Jumps, MarkersForwardAndBackward) {
  ScriptHarness h;
  ASSERT_EQ(h.run(game("jumpf\nmov %0,1\n*inside\nテキスト\n~mov %1,1\n"
                       "inc %2 ~ inc %3\nif %3 < 3 jumpb\n")),
            0);
  EXPECT_EQ(h.num(0), 0);
  EXPECT_EQ(h.num(1), 1);
  EXPECT_EQ(h.num(2), 1);
  EXPECT_EQ(h.num(3), 3);
  EXPECT_FALSE(labelLogged(h.e, "inside"));  // jumped over, never passed
  EXPECT_EQ(failureOf(h, game("jumpf")), "エラー|jumpf命令が#を見つけられませんでした。");
  EXPECT_EQ(failureOf(h, game("jumpb")), "エラー|jumpb命令が#を見つけられませんでした。");
}

TEST(Jumps, TableGoto) {
  const std::string table = "\n*first\nmov %0,1\nend\n*second\nmov %0,2\nend\n*third\nmov %0,3\nend";
  struct Case {
    const char* index;
    int target;
  } cases[] = {{"2", 3}, {"0", 1}, {"-5", 1}, {"1", 2}};
  for (const auto& c : cases) {
    ScriptHarness h;
    ASSERT_EQ(h.run(game(std::string("tablegoto ") + c.index + ", *first, *second, *third" + table)), 0);
    EXPECT_EQ(h.num(0), c.target) << c.index;
  }
  ScriptHarness h;
  EXPECT_EQ(failureOf(h, game("tablegoto 3, *first, *second, *third" + table)),
            "構文エラー|コンマが必要なところにコンマが有りません。");
  EXPECT_EQ(failureOf(h, game("tablegoto 2147483647, *first," + table)),
            "構文エラー|ラベル名が来るべきところにラベル名が来ませんでした。");
}

}  // namespace
}  // namespace veloria::test
