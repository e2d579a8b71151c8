// The window's menu bar as the game first shows it.
#include "app/app.h"
#include "platform/text_codec.h"

namespace veloria {

namespace {
MenuItem item(int id, const char* utf8, bool checked = false) { return MenuItem{id, sj(utf8), checked, {}}; }
MenuItem popup(const char* utf8, std::vector<MenuItem> children) { return MenuItem{0, sj(utf8), false, std::move(children)}; }
}  // namespace

void loadMenuResource(Platform& p) {
  auto& m = p.menu().items();
  m.clear();
  const bool sharp = p.scaleMode() == ScaleMode::Sharp;
  m.push_back(popup("画面", {item(IDM_FULLSCREEN, "フルスクリーン"), item(IDM_WINDOWED, "ウィンドウ", true),
                             item(IDM_SCALE_SHARP, "整数倍に拡大（くっきり）", sharp),
                             item(IDM_SCALE_SMOOTH, "ウィンドウに合わせて拡大（なめらか）", !sharp),
                             // Without a voice the item says so; choosing it changes nothing.
                             item(IDM_READ_ALOUD, p.speech().available() ? "読み上げ" : "読み上げ（使用できません）")}));
  m.push_back(popup("フォント", {item(IDM_FONT_DEFAULT, "デフォルト")}));
  m.push_back(popup("表示形式", {item(IDM_PAGE_DEFAULT, "デフォルト", true), item(IDM_PAGE_ONLY, "一ページごと")}));
  m.push_back(popup("文字速度", {item(IDM_SPEED_SLOW, "低速"), item(IDM_SPEED_NORMAL, "普通", true),
                                 item(IDM_SPEED_FAST, "高速")}));
  m.push_back(popup("ＷＡＶＥ", {item(IDM_WAVE_ON, "オン", true), item(IDM_WAVE_OFF, "オフ")}));
  m.push_back(item(IDM_SKIP_TO_CHOICE, "選択肢まで進む"));
  m.push_back(item(IDM_AUTO_MODE, "オートモード"));
  m.push_back(popup("ＣＤーDA", {item(IDM_CD_DRIVE, "演奏ドライブ選択"),
                                 popup("ＣＤ－ＤＡ再生", {item(IDM_CD_ON, "オン", true), item(IDM_CD_OFF, "オフ")})}));
  m.push_back(item(IDM_VERSION, "バージョン情報"));
  m.push_back(item(IDM_EXIT, "終了"));
  p.onMenuChanged();
}

}  // namespace veloria
