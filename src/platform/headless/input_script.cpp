#include "platform/headless/input_script.h"

#include <climits>
#include <sstream>

#include "platform/platform.h"
#include "platform/text_codec.h"

namespace veloria {

namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

long parseInt(const std::string& s, int line) {
  try {
    size_t used = 0;
    long v = std::stol(s, &used, 10);
    if (used != s.size()) throw std::invalid_argument(s);
    return v;
  } catch (const std::exception&) {
    throw InputScriptError("input line " + std::to_string(line) + ": not a number: " + s);
  }
}

// A number that must fit an int (a position, a menu id, a slot): anything wider is an error
// rather than a wrapped value that would click or load somewhere else.
int parseIntArg(const std::string& s, int line) {
  const long v = parseInt(s, line);
  if (v < INT_MIN || v > INT_MAX) throw InputScriptError("input line " + std::to_string(line) + ": out of range: " + s);
  return static_cast<int>(v);
}

}  // namespace

std::vector<InputEvent> parseInputScript(const std::string& text) {
  std::vector<InputEvent> out;
  std::istringstream in(text);
  std::string raw;
  uint64_t t = 0;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    size_t sp = line.find_first_of(" \t");
    std::string cmd = line.substr(0, sp);
    std::string rest = sp == std::string::npos ? std::string() : trim(line.substr(sp));
    std::istringstream args(rest);
    std::vector<std::string> words;
    for (std::string w; args >> w;) words.push_back(w);
    auto need = [&](size_t n) {
      if (words.size() != n)
        throw InputScriptError("input line " + std::to_string(lineNo) + ": '" + cmd + "' takes " +
                               std::to_string(n) + " argument(s)");
    };
    InputEvent ev;
    ev.timeMs = t;
    if (cmd == "wait") {
      need(1);
      long ms = parseInt(words[0], lineNo);
      if (ms < 0) throw InputScriptError("input line " + std::to_string(lineNo) + ": negative wait");
      // Past the clock's end every later command happens at its end, never back at the start.
      t = static_cast<uint64_t>(ms) > UINT64_MAX - t ? UINT64_MAX : t + static_cast<uint64_t>(ms);
      continue;
    } else if (cmd == "move" || cmd == "click" || cmd == "rclick") {
      need(2);
      ev.kind = cmd == "move" ? InputEvent::Move : cmd == "click" ? InputEvent::Click : InputEvent::RClick;
      ev.x = parseIntArg(words[0], lineNo);
      ev.y = parseIntArg(words[1], lineNo);
    } else if (cmd == "key") {
      need(1);
      ev.kind = InputEvent::Key;
      const std::string& w = words[0];
      if (w == "space") ev.code = 32;
      else if (w == "enter") ev.code = 13;
      else if (w == "esc") ev.code = 27;
      else if (w == "up") ev.vk = VK_UP;
      else if (w == "down") ev.vk = VK_DOWN;
      else if (w == "left") ev.vk = VK_LEFT;
      else if (w == "right") ev.vk = VK_RIGHT;
      else {
        std::string sj = utf8ToSjis(w);
        if (sj.size() == 1) ev.code = static_cast<unsigned char>(sj[0]);
        else throw InputScriptError("input line " + std::to_string(lineNo) + ": key takes one character");
      }
      // The key's own virtual key, as a keyboard gives it: a letter's is the capital, and a
      // sign has none (its code would read as an arrow).
      if (ev.code == 13 || ev.code == 27 || ev.code == 32 || (ev.code >= '0' && ev.code <= '9') ||
          (ev.code >= 'A' && ev.code <= 'Z'))
        ev.vk = static_cast<uint32_t>(ev.code);
      else if (ev.code >= 'a' && ev.code <= 'z')
        ev.vk = static_cast<uint32_t>(ev.code - 'a' + 'A');
    } else if (cmd == "pad") {
      need(1);
      static const std::pair<const char*, PadButton> kButtons[] = {
          {"a", PadButton::A},       {"b", PadButton::B},       {"start", PadButton::Start},
          {"up", PadButton::Up},     {"down", PadButton::Down}, {"left", PadButton::Left},
          {"right", PadButton::Right}, {"skip", PadButton::Skip}};
      bool known = false;
      for (const auto& [word, button] : kButtons) {
        if (words[0] != word) continue;
        ev.code = static_cast<int>(button);
        known = true;
      }
      if (!known)
        throw InputScriptError("input line " + std::to_string(lineNo) +
                               ": pad takes a, b, start, up, down, left, right or skip");
      ev.kind = InputEvent::Pad;
    } else if (cmd == "wheel") {
      need(1);
      if (words[0] != "up" && words[0] != "down")
        throw InputScriptError("input line " + std::to_string(lineNo) + ": wheel takes up or down");
      ev.kind = InputEvent::Wheel;
      ev.code = words[0] == "up" ? 1 : 2;
    } else if (cmd == "menu") {
      need(1);
      ev.kind = InputEvent::Menu;
      ev.code = parseIntArg(words[0], lineNo);
    } else if (cmd == "close") {
      need(0);
      ev.kind = InputEvent::Close;
    } else if (cmd == "answer") {
      need(1);
      if (words[0] != "ok" && words[0] != "yes" && words[0] != "no")
        throw InputScriptError("input line " + std::to_string(lineNo) + ": answer takes ok, yes or no");
      ev.kind = InputEvent::Answer;
      ev.text = words[0];
    } else if (cmd == "type") {
      ev.kind = InputEvent::Type;
      ev.text = rest;
    } else if (cmd == "screenshot" || cmd == "dump") {
      if (rest.empty()) throw InputScriptError("input line " + std::to_string(lineNo) + ": '" + cmd + "' needs a file");
      ev.kind = cmd == "screenshot" ? InputEvent::Screenshot : InputEvent::Dump;
      ev.text = rest;
    } else if (cmd == "save" || cmd == "load") {
      need(1);
      ev.kind = cmd == "save" ? InputEvent::Save : InputEvent::Load;
      ev.code = parseIntArg(words[0], lineNo);
      if (ev.code < 1 || ev.code > kMaxInputSlot)
        throw InputScriptError("input line " + std::to_string(lineNo) + ": '" + cmd + "' takes a slot from 1 to " +
                               std::to_string(kMaxInputSlot));
    } else if (cmd == "cancel") {
      need(0);
      ev.kind = InputEvent::Cancel;
    } else if (cmd == "select") {
      need(1);
      ev.kind = InputEvent::Select;
      ev.code = parseIntArg(words[0], lineNo);
      if (ev.code < 0) throw InputScriptError("input line " + std::to_string(lineNo) + ": 'select' takes 0 or more");
    } else if (cmd == "quit") {
      need(0);
      ev.kind = InputEvent::Quit;
    } else {
      throw InputScriptError("input line " + std::to_string(lineNo) + ": unknown command '" + cmd + "'");
    }
    out.push_back(std::move(ev));
  }
  return out;
}

}  // namespace veloria
