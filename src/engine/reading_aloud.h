// Reading aloud: the one place that decides what the player hears. The waits and menus say
// when something is shown or highlighted; this turns it into an utterance for the platform's
// voice (platform/speech/speech_port.h).
#pragma once

#include <cstddef>
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

// At start-up: on when the voice can speak and `forceOn` (the run records what it says).
void startReadingAloud(Engine& e, bool forceOn);
bool readingAloud(const Engine& e);

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

}  // namespace veloria
