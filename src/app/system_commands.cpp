// Commands that talk to the system around the game: other programs (winexec, which may wait
// for the program's words "continue" and "end" while the window keeps answering), documents,
// files, the window caption, message boxes, the cursor and the About box.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "engine/engine.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/program_consent.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"

namespace veloria {

namespace {

constexpr uint32_t kContinueMessage = WM_USER + 10;
constexpr uint32_t kEndMessage = WM_USER + 20;

std::string notifyFilePath(Engine& e) {
  std::string dir = e.app.tempDirectory.empty() ? fs::runtimeDirectory() : e.app.tempDirectory;
  fs::makeDirectories(dir);
  return fs::joinHost(dir, "winexec.notify");
}

// Asks the player, once per game and file, whether the game may start or open `file`; the
// answer is kept in the per-user settings folder. `shown` is the name the script gave.
bool playerAllows(Engine& e, const fs::GameFile& file, const std::string& shown) {
  const std::string config = fs::userConfigDirectory();
  const std::string game = fs::absoluteHostPath(fs::gameDirectory());
  if (std::optional<bool> known = rememberedConsent(config, game, file.inGame)) return *known;
  std::string text = sj("ゲームがプログラム「");
  text += shown;
  text += sj("」を起動しようとしています。許可しますか？");
  // いいえ is the default: a box nobody answers never lets a program run.
  const bool yes = e.platform.messageBox(text, sj("確認"), MB_YESNO | MB_DEFBUTTON2) == IDYES;
  if (!rememberConsent(config, game, file.inGame, yes))
    std::fprintf(stderr, "veloria: cannot keep the answer for %s in %s; it will be asked again\n",
                 file.inGame.c_str(), config.c_str());
  return yes;
}

// The program and its arguments (UTF-8), or nothing when the script may not start it: only a
// file inside the game directory, named as a game path, that the player allowed.
std::optional<std::vector<std::string>> programArguments(Engine& e, const std::string& commandLine) {
  // Split as Shift-JIS: blanks and quotes are never a trail byte, and the program's name
  // stays a game path.
  std::vector<std::string> args = proc::splitCommandLine(commandLine);
  if (args.empty()) args.emplace_back();
  std::optional<fs::GameFile> program = fs::resolveInGame(args[0]);
  std::optional<fs::HostStamp> kind = program ? fs::hostStamp(program->hostPath) : std::nullopt;
  if (!kind || !kind->regular) {
    std::fprintf(stderr, "veloria: winexec: %s is not a program inside the game directory; not started\n",
                 sjisToUtf8(args[0]).c_str());
    return std::nullopt;
  }
  if (!playerAllows(e, *program, args[0])) {
    std::fprintf(stderr, "veloria: winexec: the player did not allow %s; not started\n", sjisToUtf8(args[0]).c_str());
    return std::nullopt;
  }
  args[0] = program->hostPath;
  for (size_t i = 1; i < args.size(); ++i) args[i] = sjisToUtf8(args[i]);
  return args;
}

// Waits until the program answers "continue" or "end" (or posts the same window messages),
// pumping window messages meanwhile.
void waitForProgram(Engine& e, int pid, const std::string& notifyPath) {
  uint64_t offset = 0;
  bool ended = false;
  for (;;) {
    std::string word = proc::takeNotification(notifyPath, offset);
    if (word == "continue") e.platform.postMessage(kContinueMessage);
    if (word == "end") e.platform.postMessage(kEndMessage);
    Message m;
    if (e.platform.peekMessage(m, 0, 0, true)) {
      e.platform.dispatchMessage(m);
      uint32_t last = e.appWindow.lastMessage;
      if (m.message == kContinueMessage || last == kContinueMessage) return;
      if (m.message == kEndMessage || last == kEndMessage) {
        e.app.exitCode = 0;
        destroyMainWindow(e);
      }
      continue;
    }
    if (!word.empty()) continue;
    // A program that has ended cannot answer any more: once its last words are read, go on.
    if (ended) return;
    e.platform.sleep(10);
    ended = proc::waitForExit(pid, e.platform.headless() ? 10 : 0);
  }
}

void cmdWinexec(Engine& e, std::string_view, bool) {
  std::string commandLine = readString(e);
  expectComma(e);
  int32_t wait = readNumber(e);
  stopCdAudio(e);
  stopWave(e);
  // A program that may not start is as one that ended at once: the script goes on.
  std::optional<std::vector<std::string>> args = programArguments(e, commandLine);
  if (!args) return;
  std::string notifyPath = notifyFilePath(e);
  fs::writeHostFile(notifyPath, "", 0);
  int pid = proc::spawnProgram(*args, {"VELORIA_NOTIFY=" + notifyPath}, fs::gameDirectory());
  if (pid < 0) {
    // Nothing will ever answer a program that did not start: do not wait for it.
    std::fprintf(stderr, "veloria: winexec: cannot start %s\n", sjisToUtf8(commandLine).c_str());
    return;
  }
  if (wait != 0) waitForProgram(e, pid, notifyPath);
}


bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != prefix[i]) return false;
  }
  return true;
}

// A web or mail address the opener may be handed as it is: the scheme first, no blanks or
// control characters.
bool isPlainAddress(std::string_view s) {
  if (!startsWithNoCase(s, "http://") && !startsWithNoCase(s, "https://") && !startsWithNoCase(s, "mailto:"))
    return false;
  for (char c : s)
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  return true;
}

void cmdShell(Engine& e, std::string_view, bool) {
  std::string target = readString(e);
  if (isPlainAddress(target)) {
    proc::openWithDesktop(sjisToUtf8(target));
    return;
  }
  // Otherwise only a file of the game's own, once the player allowed it: the opener may run
  // what it is handed.
  if (std::optional<fs::GameFile> file = fs::resolveInGame(target)) {
    if (playerAllows(e, *file, target)) proc::openWithDesktop(file->hostPath);
    else std::fprintf(stderr, "veloria: shell: the player did not allow %s; not opened\n", sjisToUtf8(target).c_str());
    return;
  }
  std::fprintf(stderr, "veloria: shell: %s is neither a web or mail address nor a file inside the game; not opened\n",
               sjisToUtf8(target).c_str());
}

// A file the script names is written or deleted only inside the game; anything else is said
// once on stderr and the script goes on.
bool refusedOutsideGame(const char* command, const std::string& name) {
  if (fs::staysInGame(name)) return false;
  std::fprintf(stderr, "veloria: %s: %s lies outside the game directory; refused\n", command, sjisToUtf8(name).c_str());
  return true;
}

void cmdFilecreate(Engine& e, std::string_view, bool) {
  std::string name = readString(e);
  if (refusedOutsideGame("filecreate", name)) return;
  if (!fs::writeFile(name, "", 0))
    std::fprintf(stderr, "veloria: filecreate: cannot create %s\n", sjisToUtf8(name).c_str());
}

void cmdFileremove(Engine& e, std::string_view, bool) {
  std::string name = readString(e);
  if (refusedOutsideGame("fileremove", name)) return;
  fs::removeFile(name);
}

void cmdCaption(Engine& e, std::string_view, bool) {
  std::string text = readString(e);
  e.platform.setTitle(text);
}

void cmdMesbox(Engine& e, std::string_view, bool) {
  std::string text = readString(e);
  expectComma(e);
  std::string title = readString(e);
  e.platform.killTimer(1);
  e.platform.messageBox(text, title, MB_OK);
  e.platform.setTimer(1, 100);
}

void cmdMousecursor(Engine& e, std::string_view, bool) {
  skipBlanks(e);
  if (currentByte(e) == 'o') {
    if (readWord(e) != "off")
      reportScriptError(e, sj("エラー"), sj("mousecursorのパラメータは、offかファイル名です。"));
    e.platform.setCursorFile("");
    e.app.customCursorSet = 0;
    return;
  }
  std::string name = readString(e);
  std::string path, temporary;
  if (auto loose = fs::resolve(name)) {
    path = *loose;
  } else if (auto extracted = resolveFile(e, name)) {
    path = temporary = *extracted;
  } else {
    reportScriptError(e, sj("エラー"), sj("カーソルファイルが見つかりません。"));
  }
  if (e.platform.setCursorFile(path)) {
    e.app.customCursorSet = 1;
    e.platform.showCustomCursor();
  }
  if (!temporary.empty()) fs::removeTree(temporary);
}

void cmdVersionstr(Engine& e, std::string_view, bool) {
  std::string first = readString(e);
  expectComma(e);
  std::string second = readString(e);
  e.app.versionLines[0] = first;
  e.app.versionLines[1] = second;
}

void cmdModeExt(Engine& e, std::string_view, bool) { e.app.autoModeAllowed = 1; }
void cmdModeSaya(Engine& e, std::string_view, bool) { e.app.pictureViewFlag = 1; }

}  // namespace

void registerSystemCommands(CommandTable& t) {
  t.add("winexec", cmdWinexec, "s,n");
  t.add("shell", cmdShell, "s");
  t.add("filecreate", cmdFilecreate, "s");
  t.add("fileremove", cmdFileremove, "s");
  t.add("caption", cmdCaption, "s");
  t.add("mesbox", cmdMesbox, "s,s");
  t.add("mousecursor", cmdMousecursor, kOwnCheck);
  t.add("versionstr", cmdVersionstr, "s,s");
  t.add("mode_ext", cmdModeExt, "");
  t.add("automode", cmdModeExt, "");
  t.add("mode_saya", cmdModeSaya, "");
}

}  // namespace veloria
