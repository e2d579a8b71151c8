// Reading aloud: the one place that decides what the player hears. The waits and menus say
// when something is shown or highlighted; this turns it into an utterance for the platform's
// voice (platform/speech/speech_port.h), and keeps the player's choice to hear it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veloria {

struct Engine;
struct OpenDialog;

struct ReadingAloudState {
  bool on = false;
  // How much of the page's text (TextState::pageText) has been said: a click wait in the
  // middle of a page says only what came after the last one.
  size_t pageSaid = 0;
};

// The language an utterance is spoken in: "ja" when it holds any Japanese letter or mark
// (kana, kanji, full-width forms, Japanese punctuation), else "en".
std::string speechLanguage(std::string_view utf8);

// At start-up: on when the voice can speak and either `forceOn` (the run records what it
// says) or the player left it on last time; ticks the menu item.
void startReadingAloud(Engine& e, bool forceOn);
bool readingAloud(const Engine& e);
// 画面 → 読み上げ and the V key: switches it and remembers the choice for the player's next
// game. Without a voice it stays off.
void toggleReadingAloud(Engine& e);

// The page's text (Shift-JIS, as typed) at a click wait: says what was not said yet.
void sayPageText(Engine& e, const std::string& sjisPage);
// The page was emptied: the next text starts a new utterance.
void notePageCleared(Engine& e);
// An option, button text, menu item or slot the pointer has just highlighted (Shift-JIS).
void sayHighlighted(Engine& e, std::string_view sjis);
// A box or dialog has opened.
void sayMessageBox(Engine& e, std::string_view sjisCaption, std::string_view sjisText);
void sayDialog(Engine& e, const OpenDialog& dialog);
// The story moved on (a click or key): what is being said stops.
void stopSpeaking(Engine& e);

// The remembered choice: in the player's settings directory, the same for every game.
std::string readingAloudRecordPath(const std::string& configDir);
std::optional<bool> rememberedReadingAloud(const std::string& configDir);
bool rememberReadingAloud(const std::string& configDir, bool on);

}  // namespace veloria
