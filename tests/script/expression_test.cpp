// The extended dialect's expressions and conditions, its statement rules (the '_' prefix, the
// narrowed voice shorthand, lenient unknown words and literals), and that the base language
// reads its arguments exactly as before.
#include <fstream>
#include <sstream>

#include "script_harness.h"

namespace veloria::test {
namespace {

// A game of the extended dialect around `body` (UTF-8).
std::string ext(std::string_view body) { return ";value 200\n" + game(body); }

std::string failureOf(ScriptHarness& h, const std::string& script) {
  EXPECT_EQ(h.run(script), 1) << script;
  return h.errorCaption() + "|" + h.errorHead();
}

TEST(Expressions, ArithmeticPrecedenceAndSigns) {
  ScriptHarness h;
  ASSERT_EQ(h.run(ext("mov %1,2+3*4\n"
                      "mov %2,(2+3)*4\n"
                      "mov %3,-7/2\n"
                      "mov %4,-7 mod 2\n"
                      "mov %10,7 : mov %11,%10 * 3 - 1\n"
                      "mov %12,(%11 + 4) / 5 mod 3\n"
                      "mov %5,303 -19\n"
                      "mov %6,0x1F + 1\n"
                      "mov %7,-2147483648 - 1\n"
                      "mov %8,5 MOD 3\n"
                      "mov %9,- -4")),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.num(1), 14);
  EXPECT_EQ(h.num(2), 20);
  EXPECT_EQ(h.num(3), -3);
  EXPECT_EQ(h.num(4), -1);
  EXPECT_EQ(h.num(11), 20);
  EXPECT_EQ(h.num(12), 1);
  EXPECT_EQ(h.num(5), 284);  // after a term a minus is always an operator
  EXPECT_EQ(h.num(6), 32);
  EXPECT_EQ(h.num(7), INT32_MAX);  // wraps
  EXPECT_EQ(h.num(8), 2);
  EXPECT_EQ(h.num(9), 4);
}

TEST(Expressions, VariablesArraysAndAliasesAsTerms) {
  ScriptHarness h;
  ASSERT_EQ(h.run(";value 200\n*define\nnumalias five,5\nnumalias idx,2\ngame\n*start\n"
                  "mov %2,7 : mov %7,40\n"
                  "mov %1,%%2\n"                // variable 2 holds 7: variable 7
                  "mov %3,%(1+1) * five\n"      // the index may be a parenthesised sum
                  "mov %idx,%idx + 1\n"         // variable 2 = 8
                  "mov $5,\"five\" : mov $6,$five + \"!\"\n"
                  "mov %4,%1 + -2\n"
                  "end\n"),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.num(1), 40);
  EXPECT_EQ(h.num(3), 35);
  EXPECT_EQ(h.num(2), 8);
  EXPECT_EQ(h.str(6), "five!");
  EXPECT_EQ(h.num(4), 38);
}

TEST(Expressions, EndAtTheNextWordAndLeaveTheRestForTheNextStatement) {
  ScriptHarness h;
  // "wait 100 goto *done": the number ends at the word; "0_mov": at the '_'.
  ASSERT_EQ(h.run(ext("mov %1,1\nwait 100 goto *done\nmov %1,2\n*done\nif %1 = 1_mov %2,5")), 0)
      << h.errorMessage();
  EXPECT_EQ(h.num(1), 1);
  EXPECT_EQ(h.num(2), 5);
  // Numeric arguments of other subsystems get expressions too.
  ASSERT_EQ(h.run(ext("setwindow 8,16,20,10,24,24,0,2,10+10,1,1,#999999,0,0,639,479\nmov %1,1")), 0)
      << h.errorMessage();
  EXPECT_EQ(h.e.text.textSpeed, 20);
}

TEST(Expressions, Errors) {
  ScriptHarness h;
  EXPECT_EQ(failureOf(h, ext("mov %1,10 mod 0")), "０除算エラー|０で剰余演算しました。");
  EXPECT_EQ(failureOf(h, ext("mov %1,10/(2-2)")), "０除算エラー|０で除算しました。");
  EXPECT_EQ(failureOf(h, ext("mov %1,(2+3")), "構文エラー|括弧が閉じていません。");
  EXPECT_EQ(failureOf(h, ext("mov %1,2147483648")), "構文エラー|数字が長すぎます。:2147483648");
  EXPECT_EQ(failureOf(h, ext("mov %1,nothing")), "構文エラー|数字がくるべきところに数字がありません。");
  EXPECT_EQ(failureOf(h, ext("mov %1,%10000")), "実行時エラー|変数番号10000は範囲外です。");
  EXPECT_EQ(failureOf(h, ext("mov $1,\"a\" + 5")), "構文エラー|文字列が来るべきところに文字列がありません。");
  // Thousands of parentheses stop with an error, not a crash.
  EXPECT_EQ(failureOf(h, ext("mov %1," + std::string(5000, '(') + "1")), "構文エラー|式の入れ子が深すぎます。");
  EXPECT_EQ(failureOf(h, ext("mov %1," + std::string(5000, '-') + "1")), "構文エラー|式の入れ子が深すぎます。");
}

TEST(Conditions, NumbersAndStringsOfEitherKind) {
  ScriptHarness h;
  ASSERT_EQ(h.run(ext("mov $20,\"abc\" + $21 + \"!\"\n"
                      "mov %12,1\n"
                      "if $20 = \"abc!\" && %12 >= 1 mov %13,1\n"
                      "if $1 = \"\" mov %14,1\n"
                      "if \"b\" > \"abc\" mov %15,1\n"
                      "if \"ab\" < \"abc\" mov %16,1\n"
                      "if $20 != \"abc\" mov %17,1\n"
                      "mov %1,1 : mov %2,2\n"
                      "if %1 = 1 & %2 = 2 mov %3,3:mov %4,4\n"
                      "if %1 = 1 & %2 = 3 mov %5,3:mov %6,4\n"
                      "if %1 + 1 = %2 * 1 mov %7,1")),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.str(20), "abc!");
  for (int i : {13, 14, 15, 16, 17, 3, 4, 7}) EXPECT_EQ(h.num(i), i == 3 ? 3 : (i == 4 ? 4 : 1)) << i;
  EXPECT_EQ(h.num(5), 0);
  EXPECT_EQ(h.num(6), 0);  // the rest of the line goes with the failed condition
  EXPECT_EQ(failureOf(h, ext("if $1 = 5 mov %1,1")), "エラー|if条件式が間違っています。");
  EXPECT_EQ(failureOf(h, ext("if 5 = $1 mov %1,1")), "エラー|if条件式が間違っています。");
  EXPECT_EQ(failureOf(h, ext("if %1 = 0 || %2 = 0 mov %1,1")), "エラー|if条件式が間違っています。");
}

TEST(Statements, UnderscoreReachesTheBuiltInAndVoiceNeedsADigit) {
  ScriptHarness h;
  ASSERT_EQ(h.run(ext("_mov %1,3 : _MOV3 %4,1,2,3")), 0) << h.errorMessage();
  EXPECT_EQ(h.num(1), 3);
  EXPECT_EQ(h.num(6), 3);
  EXPECT_EQ(failureOf(h, ext("vanilla")), "構文エラー|不正な命令\"vanilla\"です。");
  EXPECT_EQ(failureOf(h, ext("_nosuch 1")), "構文エラー|不正な命令\"_nosuch\"です。");
  // v12 is still the voice shorthand: it looks for its file.
  EXPECT_EQ(h.run(ext("v12")), 1);
  EXPECT_EQ(h.errorHead(), "ファイルvoice\\12.wavを開けません。");
}

TEST(Statements, LongLiteralsAndLenientGuesses) {
  ScriptHarness h;
  const std::string long300(300, 'x');
  ASSERT_EQ(h.run(ext("mov $1,\"" + long300 + "\"")), 0) << h.errorMessage();
  EXPECT_EQ(h.str(1), long300);
  // The base language keeps its limit.
  EXPECT_EQ(failureOf(h, game("mov $1,\"" + long300 + "\"")).rfind("構文エラー|文字列が長すぎます。:", 0), 0u);
  EXPECT_EQ(failureOf(h, ext("caption \"abc")), "構文エラー|文字列中に改行が有ります。");

  GameDir dir;
  ScriptHarness l;
  l.e.script.options.lenient = true;
  ASSERT_EQ(l.run(";value 200\n*define\nautomode_tme -5\ngame\n*start\nmov $1,\"abc\nhello 5\nmov %1,1\nend\n"), 0)
      << l.errorMessage();
  EXPECT_EQ(l.str(1), "abc");
  EXPECT_EQ(l.num(1), 1);
  std::ifstream in(dir.path() + "/Velowarn.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), sjisOf("0.txt line:3 未定義の命令\"automode_tme\"を無視しました。\n"
                               "0.txt line:6 文字列が閉じていません。\n"
                               "0.txt line:7 未定義の命令\"hello\"を無視しました。\n"));
}

TEST(Statements, LenientEnglishLineIsStoryText) {
  ScriptHarness h;
  h.e.script.options.lenient = true;
  ASSERT_EQ(h.run(ext("Hello there, friend\nmov %1,1")), 0) << h.errorMessage();
  EXPECT_EQ(h.num(1), 1);
  EXPECT_NE(sjisToUtf8(std::string(reinterpret_cast<const char*>(h.e.text.log.buffer.data()))).find("Hello"),
            std::string::npos);
}

TEST(Expressions, TheBaseLanguageStillReadsSingleTerms) {
  ScriptHarness h;
  // In the base language "5 -3" is 5 followed by the rest of the line as text after the
  // arguments, and "mod" is no operator: both read as they always did.
  ASSERT_EQ(h.run(game("mov %1,%2\nmov %3,-5")), 0) << h.errorMessage();
  EXPECT_EQ(h.num(3), -5);
  EXPECT_EQ(failureOf(h, game("mov %1,(1)")), "構文エラー|数字がくるべきところに数字がありません。");
  EXPECT_EQ(failureOf(h, game("_mov %1,1")), "構文エラー|不正な命令\"_mov\"です。");
}

}  // namespace
}  // namespace veloria::test
