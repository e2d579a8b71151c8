// English glosses of the engine's Japanese messages, for the checker's findings.
#include <string_view>

#include "check/checker_internal.h"

namespace veloria {

namespace {

struct Gloss {
  const char* japanese;  // the message, "%s" where it names something
  const char* english;
};

const Gloss kGlosses[] = {
    {"長すぎるトークンです:%s", "a word longer than 254 bytes"},
    {"数字がくるべきところに数字がありません。", "a number belongs here"},
    {"数字が長すぎます。:%s", "a number of more than 18 digits"},
    {"ファイル文字列指定は(\"ファイル名\")という形式です。", "the ( or [ choice is not closed"},
    {"文字列中に改行が有ります。", "the string is not closed on its line"},
    {"文字列が長すぎます。:%s", "a string longer than 254 bytes"},
    {"文字列が来るべきところに文字列がありません。", "a string belongs here"},
    {"ラベル名を指定すべきところで文字列が代わりに指定されましたが、文字列の先頭が*ではありません。",
     "a label given as a string must start with *"},
    {"ラベル名が来るべきところにラベル名が来ませんでした。", "a label belongs here"},
    {"カラー指定が間違っています。HTMLと同じ形式（例：#75fe1b）で指定してください。", "a colour is written #rrggbb"},
    {"コンマが必要なところにコンマが有りません。", "a comma is missing"},
    {"文字列の入れ子が深すぎます。", "choices nested too deeply"},
    {"変数の番号が範囲外です（0～4095）:%s", "variables are numbered 0 to 4095"},
    {"ファイルの終端に達しました。", "the script ends here"},
    {"*defineブロックには、表示文はおけません。", "story text in the define block"},
    {"不正な命令\"%s\"です。", "no such command"},
    {"ラベル*%sは存在しません", "no such label"},
    {"ラベル*%sの多重定義です。", "the label is defined twice"},
    {"ラベルが5000を超えました。", "more than 5000 labels"},
    {"シナリオが長すぎます。", "the script is longer than 5 MB"},
    {"%sの第一引数は数字／文字変数です。", "the first argument must be a numeric or string variable"},
    {"%sの第一引数は数字変数です。", "the first argument must be a numeric variable"},
    {"%sの第一引数は数値変数です。", "the first argument must be a numeric variable"},
    {"%sの第ニ引数は数字変数です。", "the second argument must be a numeric variable"},
    {"%sの第三引数は数字変数です。", "the third argument must be a numeric variable"},
    {"%sの第１，２引数は数字変数です。", "both arguments must be numeric variables"},
    {"%sの引数は数字変数です。", "the argument must be a numeric variable"},
    {"%sの第一引数は文字変数です。", "the first argument must be a string variable"},
    {"数字エイリアス%sが二重定義されています。", "the numeric alias is defined twice"},
    {"文字列エイリアス%sが二重定義されています。", "the string alias is defined twice"},
    {"数字エイリアスが多すぎます。", "more than 4096 numeric aliases"},
    {"文字列エイリアスが多すぎます。", "more than 4096 string aliases"},
    {"if条件式が間違っています。", "a condition compares two numbers, or is fchk or lchk"},
    {"fchk条件式は、定義ブロックでは使えません。", "fchk in the define block"},
    {"lchk条件式は、定義ブロックでは使えません。", "lchk in the define block"},
    {"SKIPがスクリプトの範囲を飛び出しました。", "skip goes past the start or the end of the script"},
    {"jumpf命令が#を見つけられませんでした。", "no ~ after this jumpf"},
    {"jumpb命令が#を見つけられませんでした。", "no ~ before this jumpb"},
    {"returnとgosub文が正しく対応していません。", "return without gosub"},
    {"mousecursorのパラメータは、offかファイル名です。", "mousecursor takes off or a file name"},
    {"setwindowの縦横文字数指定が間違っています。", "negative columns or lines"},
    {"カーソルは０（通常）と１（クリック消去用）です。", "cursor 0 is the click wait's, 1 the page wait's"},
    {"humanz指定が範囲外です。", "humanz takes 0 to 255 (0 to 999 in the extended dialect)"},
    {"trap命令のパラメータは、offもしくは*ラベル名です。", "trap takes a label, off, stop or resume"},
    {"selectcolorのパラメータが違います。", "colours are written #rrggbb"},
    {"lookbackcolorのパラメータは#rrggbbの色指定です。", "the colour is written #rrggbb"},
    {"menuselectcolorのパラメータが違います。", "colours are written #rrggbb"},
    {"effect命令の第一パラメータは2～255です。", "effect numbers are 2 to 255"},
    {"未定義のエフェクトを使いました", "an effect number never defined"},
    {"タグの指定がおかしいです。", "a malformed picture tag"},
    {"monocro命令の次は#rrggbbで色指定、もしくは、offでモノクロ指定を解除、です。", "monocro takes #rrggbb or off"},
    {"rmenu命令へのパラメータが間違っています。", "an rmenu item names no system function"},
    {"systemcall命令へのパラメータが間違っています。", "systemcall names no system function"},
    {"SPI設定が多すぎます。", "more than 50 plug-in settings"},
    // the extended dialect's language
    {"括弧が閉じていません。", "a ( without its )"},
    {"式の入れ子が深すぎます。", "more than 64 nested brackets, indices or signs"},
    {"変数番号%sは範囲外です。", "variables are numbered 0 to 9999"},
    {"未定義の命令\"%s\"を無視しました。", "no such command; skipped under --lenient"},
    {"文字列が閉じていません。", "the string is not closed on its line"},
    {"defsub命令は定義ブロックでしか使えません。", "defsub belongs in the define block"},
    {"ユーザー定義命令%sが二重定義されています。", "the user command is defined twice"},
    {"%sはdefsubで再定義できません。", "this word cannot become a user command"},
    {"ユーザー定義命令が多すぎます。", "more than 1000 user commands"},
    {"getparamの引数は数字変数か文字変数です。", "getparam takes %v, $v, ?a[...], i%v or s%v"},
    {"getparamがユーザー定義命令の外で使われました。", "getparam outside a user command"},
    {"ユーザー定義命令の呼び出しでスタックが溢れました。", "user commands nested more than 1000 deep"},
    {"for命令の書式が間違っています。", "for %v = start to end [step n]"},
    {"for命令のstepに0は指定できません。", "a loop with step 0 never ends"},
    {"for文のせいでスタックが溢れました。", "loops and calls nested more than 1000 deep"},
    {"nextに対応するforがありません。", "next without an open for"},
    {"breakに対応するforがありません。", "break without an open for"},
    {"forに対応するnextが見つかりません。", "no next closes this for"},
    {"dimの引数は配列変数です。", "dim takes ?a[size]..."},
    {"配列の大きさが不正です。", "array sizes are 0 or more, up to 8 dimensions and 1,000,000 elements"},
    {"宣言されていない配列?%sを使おうとしました。", "the array has no dim"},
    {"配列?%sの範囲外を参照しました。", "an index outside the array"},
    {"splitの第三引数以降は変数です。", "split stores into variables"},
    {"拡張スプライト番号%sは範囲外です。", "enhanced sprites are numbered 0 to 255"},
    // the extended dialect's screen commands
    {"getspsizeの第二引数以降は数字変数です。", "getspsize stores into numeric variables"},
    {"getscreenshotの大きさが不正です。", "a screenshot is at least 1 x 1 pixels"},
    {"レイヤー番号%sは範囲外です。", "layers are numbered 0 to 31"},
    // the extended dialect's sprites and buttons
    {"スプライト番号%sは範囲外です。", "sprites are numbered 0 to 999"},
    {"ボタンが多すぎます。", "more than 256 buttons"},
    {"exbtn命令の制御文字列が間違っています。", "a control string is C<sprite> and P<sprite>[,<cell>], one after another"},
};

}  // namespace

std::string_view glossFor(std::string_view message) {
  for (const Gloss& g : kGlosses) {
    std::string_view key = g.japanese;
    size_t at = key.find("%s");
    if (at == std::string_view::npos) {
      if (message == key) return g.english;
      continue;
    }
    std::string_view head = key.substr(0, at), tail = key.substr(at + 2);
    if (message.size() >= head.size() + tail.size() && message.substr(0, head.size()) == head &&
        message.substr(message.size() - tail.size()) == tail)
      return g.english;
  }
  return {};
}

}  // namespace veloria
