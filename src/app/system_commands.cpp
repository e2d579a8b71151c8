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

// The program's name may be a game path ("tools\Config.exe") or a command found in PATH.
std::vector<std::string> programArguments(const std::string& commandLine) {
  std::vector<std::string> args = proc::splitCommandLine(sjisToUtf8(commandLine));
  if (!args.empty()) {
    if (auto host = fs::resolve(utf8ToSjis(args[0]))) args[0] = *host;
  }
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
  std::string notifyPath = notifyFilePath(e);
  fs::writeHostFile(notifyPath, "", 0);
  int pid = proc::spawnProgram(programArguments(commandLine), {"VELORIA_NOTIFY=" + notifyPath}, fs::gameDirectory());
  if (pid < 0) {
    // Nothing will ever answer a program that did not start: do not wait for it.
    std::fprintf(stderr, "veloria: winexec: cannot start %s\n", sjisToUtf8(commandLine).c_str());
    return;
  }
  if (wait != 0) waitForProgram(e, pid, notifyPath);
}


void cmdShell(Engine& e, std::string_view, bool) {
  std::string target = readString(e);
  auto host = fs::resolve(target);
  proc::openWithDesktop(host ? *host : sjisToUtf8(target));
}

void cmdFilecreate(Engine& e, std::string_view, bool) {
  std::string name = readString(e);
  if (!fs::writeFile(name, "", 0))
    std::fprintf(stderr, "veloria: filecreate: cannot create %s\n", sjisToUtf8(name).c_str());
}

void cmdFileremove(Engine& e, std::string_view, bool) {
  std::string name = readString(e);
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
