#include "engine/reading_aloud.h"

#include <cstdio>

#include "engine/engine.h"
#include "engine/menu_ids.h"
#include "platform/files.h"
#include "platform/text_codec.h"

namespace veloria {

namespace {

// The record is a word and a line break; anything longer is not ours.
constexpr uint64_t kMaxRecordBytes = 4096;

// The next code point of UTF-8 text at `i` (moved past it); malformed bytes count as one.
char32_t nextCodePoint(std::string_view s, size_t& i) {
  const auto b = static_cast<unsigned char>(s[i++]);
  if (b < 0x80) return b;
  int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  char32_t c = b & (0x3F >> more);
  for (; more > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; --more)
    c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  return c;
}

bool japanese(char32_t c) {
  return (c >= 0x3000 && c <= 0x30FF) ||  // punctuation, hiragana, katakana
         (c >= 0x3400 && c <= 0x9FFF) ||  // kanji
         (c >= 0xF900 && c <= 0xFAFF) ||  // compatibility kanji
         (c >= 0xFF00 && c <= 0xFFEF);    // full-width forms, half-width kana
}

// Text as one utterance: line breaks and other controls as single spaces, no space at either
// end. Empty when there is nothing to say.
std::string tidy(std::string_view utf8) {
  std::string out;
  bool space = false;
  for (char ch : utf8) {
    const bool blank = static_cast<unsigned char>(ch) <= 0x20 || ch == 0x7F;
    if (blank) {
      space = !out.empty();
      continue;
    }
    if (space) out.push_back(' ');
    space = false;
    out.push_back(ch);
  }
  return out;
}

std::string utterance(std::string_view sjis) { return tidy(sjisToUtf8(sjis)); }

void say(Engine& e, const std::string& utf8) {
  if (!e.voice.on || utf8.empty()) return;
  e.platform.speech().speak(utf8, speechLanguage(utf8));
}

void tickMenu(Engine& e) {
  e.platform.menu().check(IDM_READ_ALOUD, e.voice.on);
  e.platform.onMenuChanged();
}

}  // namespace

std::string speechLanguage(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size();)
    if (japanese(nextCodePoint(utf8, i))) return "ja";
  return "en";
}

void startReadingAloud(Engine& e, bool forceOn) {
  const bool remembered = rememberedReadingAloud(fs::userConfigDirectory()).value_or(false);
  e.voice.on = e.platform.speech().available() && (forceOn || remembered);
  e.voice.pageSaid = 0;
  tickMenu(e);
}

bool readingAloud(const Engine& e) { return e.voice.on; }

void toggleReadingAloud(Engine& e) {
  if (!e.platform.speech().available()) {
    e.voice.on = false;
    tickMenu(e);
    return;
  }
  e.voice.on = !e.voice.on;
  if (!e.voice.on) e.platform.speech().stop();
  tickMenu(e);
  if (!rememberReadingAloud(fs::userConfigDirectory(), e.voice.on))
    std::fprintf(stderr, "veloria: cannot keep the reading-aloud setting in %s\n",
                 readingAloudRecordPath(fs::userConfigDirectory()).c_str());
}

void sayPageText(Engine& e, const std::string& sjisPage) {
  // A page that is shorter than what was said is a new page the clearing did not announce.
  if (sjisPage.size() < e.voice.pageSaid) e.voice.pageSaid = 0;
  const std::string_view fresh = std::string_view(sjisPage).substr(e.voice.pageSaid);
  e.voice.pageSaid = sjisPage.size();
  say(e, utterance(fresh));
}

void notePageCleared(Engine& e) { e.voice.pageSaid = 0; }

void sayHighlighted(Engine& e, std::string_view sjis) { say(e, utterance(sjis)); }

void sayMessageBox(Engine& e, std::string_view sjisCaption, std::string_view sjisText) {
  const std::string caption = utterance(sjisCaption), text = utterance(sjisText);
  say(e, caption.empty() ? text : text.empty() ? caption : caption + " " + text);
}

void sayDialog(Engine& e, const OpenDialog& d) {
  std::string out;
  auto add = [&out](const std::string& utf8) {
    const std::string part = tidy(utf8);
    if (part.empty()) return;
    if (!out.empty()) out.push_back(' ');
    out += part;
  };
  add(d.caption);
  if (d.list) {
    if (d.selection >= 0 && static_cast<size_t>(d.selection) < d.entries.size())
      add(d.entries[static_cast<size_t>(d.selection)]);
  } else {
    add(d.prompt);
    add(d.text);
  }
  say(e, out);
}

void stopSpeaking(Engine& e) {
  if (e.voice.on) e.platform.speech().stop();
}

std::string readingAloudRecordPath(const std::string& configDir) { return fs::joinHost(configDir, "reading-aloud.txt"); }

std::optional<bool> rememberedReadingAloud(const std::string& configDir) {
  auto data = fs::readHostFileNoFollow(readingAloudRecordPath(configDir), kMaxRecordBytes);
  if (!data) return std::nullopt;
  std::string text(data->begin(), data->end());
  if (text == "on\n") return true;
  if (text == "off\n") return false;
  return std::nullopt;
}

bool rememberReadingAloud(const std::string& configDir, bool on) {
  if (!fs::makeDirectories(configDir)) return false;
  const char* text = on ? "on\n" : "off\n";
  return fs::writeHostFile(readingAloudRecordPath(configDir), text, on ? 3 : 4);
}

}  // namespace veloria
