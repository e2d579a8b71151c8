// The reader operations on the script buffer.
#include "script_harness.h"

namespace veloria::test {
namespace {

class Reader : public ::testing::Test {
 protected:
  // Loads `text` and puts scriptPos at its start.
  void at(std::string_view text) { h.load(text); }
  uint8_t here() const { return currentByte(h.e); }
  // The error head of a reader call that must fail.
  template <typename Fn>
  std::string failure(std::string_view text, Fn&& fn) {
    at(text);
    EXPECT_EQ(h.exitCodeOf([&] { fn(); }), 1) << text;
    return h.errorCaption() + "|" + h.errorHead();
  }
  ScriptHarness h;
};

TEST_F(Reader, Words) {
  at("  Pos_1 , rest");
  EXPECT_EQ(readWord(h.e), "pos_1");
  EXPECT_EQ(here(), ',');
  at("9abc");
  EXPECT_EQ(readWord(h.e), "");
  EXPECT_EQ(here(), '9');
  at(std::string(254, 'w') + " x");
  EXPECT_EQ(readWord(h.e).size(), 254u);
  EXPECT_EQ(failure(std::string(255, 'w'), [&] { readWord(h.e); }),
            "命令エラー|長すぎるトークンです:" + std::string(254, 'w'));
}

TEST_F(Reader, NumbersLiteralsAndSigns) {
  at("-12 ,");
  EXPECT_EQ(readNumber(h.e), -12);
  EXPECT_EQ(here(), ',');
  at("+12");
  EXPECT_EQ(readNumber(h.e), 12);
  at("-%1");
  EXPECT_EQ(readNumber(h.e), 0);
  EXPECT_EQ(here(), '%');
  at("123456789012345678");  // 18 digits are read; the value is held to 32 bits
  EXPECT_EQ(readNumber(h.e), INT32_MAX);
  at("-999999999999");
  EXPECT_EQ(readNumber(h.e), INT32_MIN);
  at("2147483647 -2147483648");
  EXPECT_EQ(readNumber(h.e), INT32_MAX);
  EXPECT_EQ(readNumber(h.e), INT32_MIN);
  EXPECT_EQ(failure("1234567890123456789", [&] { readNumber(h.e); }),
            "構文エラー|数字が長すぎます。:1234567890123456789");
}

TEST_F(Reader, NumbersThroughVariablesAndAliases) {
  h.e.script.numVars[5] = 7;
  h.e.script.numVars[7] = 42;
  at("%%5");
  EXPECT_EQ(readNumber(h.e), 42);
  at("% 5 ,");
  EXPECT_EQ(readNumber(h.e), 7);
  EXPECT_EQ(here(), ',');
  h.e.script.numAliases.push_back({"top", 99});
  h.e.script.numAliasIndex.emplace("top", 0);
  at("TOP");
  EXPECT_EQ(readNumber(h.e), 99);
  EXPECT_EQ(failure("nothing", [&] { readNumber(h.e); }), "構文エラー|数字がくるべきところに数字がありません。");
  // A variable index outside the store is refused, not read from beyond it.
  EXPECT_EQ(failure("%4096", [&] { readNumber(h.e); }), "実行時エラー|変数の番号が範囲外です（0～4095）:4096");
  EXPECT_EQ(failure("%-1", [&] { readNumber(h.e); }), "実行時エラー|変数の番号が範囲外です（0～4095）:-1");
  // A long run of '%' is no deeper than any other indirection.
  at(std::string(100000, '%') + "0");
  EXPECT_EQ(readNumber(h.e), 0);
}

TEST_F(Reader, StringLiteralsVariablesAndAliases) {
  at("\"日本語 text\"  ,");
  EXPECT_EQ(sjisToUtf8(readString(h.e)), "日本語 text");
  EXPECT_EQ(here(), ',');
  at("$3");
  EXPECT_EQ(readString(h.e), "");  // never assigned
  h.e.script.strVars[3] = "abc";
  at("$3");
  EXPECT_EQ(readString(h.e), "abc");
  h.e.script.strAliases.push_back({"name", "value"});
  h.e.script.strAliasIndex.emplace("name", 0);
  at("Name");
  EXPECT_EQ(readString(h.e), "value");
  std::string longest = "\"" + std::string(254, 's') + "\"";
  at(longest);
  EXPECT_EQ(readString(h.e).size(), 254u);
  EXPECT_EQ(failure("\"" + std::string(255, 's') + "\"", [&] { readString(h.e); }),
            "構文エラー|文字列が長すぎます。:" + std::string(254, 's'));
  EXPECT_EQ(failure("\"open\nclose\"", [&] { readString(h.e); }), "構文エラー|文字列中に改行が有ります。");
  EXPECT_EQ(failure("\"unterminated", [&] { readString(h.e); }), "構文エラー|文字列中に改行が有ります。");
  EXPECT_EQ(failure("nothing", [&] { readString(h.e); }), "構文エラー|文字列が来るべきところに文字列がありません。");
}

TEST_F(Reader, SeenFileAndPassedLabelChoicesConsumeBothStrings) {
  logFile(h.e, "bgm/Title.mid");
  logLabel(h.e, "Seen");
  at("(\"BGM\\title.MID\") \"yes\" \"no\", \"next\"");
  EXPECT_EQ(readString(h.e), "yes");
  expectComma(h.e);
  EXPECT_EQ(readString(h.e), "next");
  at("(\"other.mid\")\"yes\"\"no\"");
  EXPECT_EQ(readString(h.e), "no");
  at("[*seen] \"yes\" \"no\"");
  EXPECT_EQ(readString(h.e), "yes");
  at("[\"*unseen\"] \"yes\" \"no\"");
  EXPECT_EQ(readString(h.e), "no");
  EXPECT_EQ(failure("(\"a\" \"yes\" \"no\"", [&] { readString(h.e); }),
            "エラー|ファイル文字列指定は(\"ファイル名\")という形式です。");
  EXPECT_EQ(failure("[*a \"yes\" \"no\"", [&] { readString(h.e); }),
            "エラー|ファイル文字列指定は(\"ファイル名\")という形式です。");
  // Nesting is bounded instead of recursing without end.
  EXPECT_EQ(failure(std::string(5000, '('), [&] { readString(h.e); }), "構文エラー|文字列の入れ子が深すぎます。");
}

TEST_F(Reader, Labels) {
  at("*Target ,");
  EXPECT_EQ(readLabel(h.e), "target");
  h.e.script.strVars[1] = "*Stored";
  at("$1");
  EXPECT_EQ(readLabel(h.e), "Stored");  // kept as written; lookups fold the case
  at("\"*lit\"");
  EXPECT_EQ(readLabel(h.e), "lit");
  EXPECT_EQ(failure("\"nostar\"", [&] { readLabel(h.e); }),
            "実行時エラー|ラベル名を指定すべきところで文字列が代わりに指定されましたが、文字列の先頭が*ではありません。");
  EXPECT_EQ(failure("\"\"", [&] { readLabel(h.e); }),
            "実行時エラー|ラベル名を指定すべきところで文字列が代わりに指定されましたが、文字列の先頭が*ではありません。");
  EXPECT_EQ(failure("label", [&] { readLabel(h.e); }), "構文エラー|ラベル名が来るべきところにラベル名が来ませんでした。");
}

TEST_F(Reader, ColoursAndCommas) {
  at("#75fE1b,");
  EXPECT_EQ(readColor(h.e), 0x75FE1Bu);
  EXPECT_EQ(here(), ',');
  EXPECT_EQ(parseColor(h.e, "00ff80"), 0x00FF80u);
  const std::string colourError =
      "構文エラー|カラー指定が間違っています。HTMLと同じ形式（例：#75fe1b）で指定してください。";
  EXPECT_EQ(failure("#12345g", [&] { readColor(h.e); }), colourError);
  EXPECT_EQ(failure("#123", [&] { readColor(h.e); }), colourError);  // the script ends first
  at("  ,  %2");
  expectComma(h.e);
  EXPECT_EQ(here(), ' ');  // blanks after the comma are left to the next reader
  EXPECT_EQ(readNumber(h.e), 0);
  EXPECT_EQ(failure("  x", [&] { expectComma(h.e); }), "構文エラー|コンマが必要なところにコンマが有りません。");
}

TEST_F(Reader, BlanksAndNewlines) {
  at(" \t\n \nx");
  skipBlanks(h.e);
  EXPECT_EQ(here(), '\n');
  skipBlanksAndNewlines(h.e);
  EXPECT_EQ(here(), 'x');
}

}  // namespace
}  // namespace veloria::test
