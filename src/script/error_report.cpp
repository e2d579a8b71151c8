// The fatal error report: where in which file the script stopped, a short excerpt, the box,
// stderr, and the shut-down with exit code 1.
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

// The excerpt never grows past this many bytes, however long the lines are.
constexpr size_t kMaxExcerptBytes = 1900;

uint32_t countLineFeeds(const uint8_t* b, uint32_t from, uint32_t to) {
  uint32_t n = 0;
  for (uint32_t j = from; j < to; ++j) n += b[j] == '\n';
  return n;
}

// Up to two lines before the error position and the current line up to it; every copied
// line feed is followed by '|', the last one before the position by '>'.
std::string buildExcerpt(const Engine& e, uint32_t pos) {
  const uint8_t* b = scriptBytes(e);
  int64_t lf[3] = {-1, -1, -1};  // latest, the one before, the one before that
  int found = 0;
  for (int64_t j = static_cast<int64_t>(pos) - 1; j >= 0 && found < 3; --j)
    if (b[j] == '\n') lf[found++] = j;
  uint32_t start = found == 3 ? static_cast<uint32_t>(lf[2]) : 0;
  bool cut = false;
  if (pos - start > kMaxExcerptBytes) {
    cut = true;
    // Cut the front at a character boundary, scanning forward from a known one.
    uint32_t j = start;
    while (pos - j > kMaxExcerptBytes) j += (isSjisLead(b[j]) && j + 1 < pos) ? 2 : 1;
    start = j;
  }
  std::string out;
  if (cut) out += "...";
  for (uint32_t j = start; j < pos; ++j) {
    out.push_back(static_cast<char>(b[j]));
    if (b[j] == '\n') out.push_back(static_cast<int64_t>(j) == lf[0] ? '>' : '|');
  }
  return out;
}

}  // namespace

ScriptFileSpan scriptFileAt(const Engine& e, uint32_t pos) {
  ScriptFileSpan span;
  uint32_t nextStart = 0;
  for (int k = 0; k < kScriptFileCount; ++k) {
    int32_t end = e.script.fileEndTable[static_cast<size_t>(k)];
    if (end == kMissingFileEnd) continue;
    span.file = k;
    span.start = nextStart;
    if (static_cast<int64_t>(pos) <= end) break;
    nextStart = static_cast<uint32_t>(end) + 1;
  }
  return span;
}

std::string describeScriptPosition(const Engine& e, uint32_t pos) {
  const auto& s = e.script;
  const uint8_t* b = scriptBytes(e);
  if (pos > s.scriptLength) pos = s.scriptLength;
  char buf[96];
  if (s.source == ScriptSource::VeloriaDat || s.source == ScriptSource::VeloSecDat) {
    // One file: lines count from its start.
    const char* name = s.source == ScriptSource::VeloriaDat ? "veloria.dat" : "velo_sec.dat";
    std::snprintf(buf, sizeof buf, "%s line:%u", name, countLineFeeds(b, 0, pos) + 1);
    return buf;
  }
  // The position just before `pos` decides the file.
  const ScriptFileSpan span = scriptFileAt(e, pos == 0 ? 0 : pos - 1);
  std::snprintf(buf, sizeof buf, "%d.txt line:%u", span.file, countLineFeeds(b, span.start, pos) + 1);
  return buf;
}

void startCheckingMode(Engine& e) { e.script.checkingMode = true; }

void reportScriptError(Engine& e, std::string_view caption, std::string_view message) {
  // The checker records the problem and reads on; nothing is shown and nothing shuts down.
  if (e.script.checkingMode) throw ScriptCheckError{std::string(caption), std::string(message)};
  // A failure while an earlier report is shutting down must not start a second report.
  if (e.script.reportingError) throw ProcessExit{1};
  e.script.reportingError = true;
  uint32_t pos = std::min(e.script.scriptPos, e.script.scriptLength);
  std::string text(message);
  text += "\n\n";
  text += describeScriptPosition(e, pos);
  text += "\n";
  text += buildExcerpt(e, pos);
  e.app.error.set = true;
  e.app.error.caption = std::string(caption);
  e.app.error.message = text;
  std::fprintf(stderr, "veloria: %s: %s\n", sjisToUtf8(caption).c_str(), sjisToUtf8(text).c_str());
  std::fflush(stderr);
  e.platform.messageBox(text, caption, MB_OK);
  e.app.exitCode = 1;
  if (e.hooks.shutDown) e.hooks.shutDown(e);
  throw ProcessExit{e.app.exitCode};
}

void reportScriptWarning(Engine& e, std::string_view message) {
  if (e.script.checkingMode) return;  // the checker reports what it finds itself
  const uint32_t pos = std::min(e.script.scriptPos, e.script.scriptLength);
  if (!e.script.warnedPositions.insert(pos).second) return;
  const std::string where = describeScriptPosition(e, pos);
  std::fprintf(stderr, "veloria: warning: %s: %s\n", sjisToUtf8(where).c_str(), sjisToUtf8(message).c_str());
  std::fflush(stderr);
  if (!lenientPlay(e)) return;
  std::string line = where;
  line += ' ';
  line.append(message);
  line += '\n';
  // A game that warns without end must not fill the player's disk.
  constexpr uint64_t kMaxWarningFile = 4u << 20;
  fs::appendPersistentFile("Velowarn.txt", line.data(), line.size(), kMaxWarningFile);
}

void reportScriptErrorF(Engine& e, std::string_view caption, std::string_view pattern, std::string_view arg) {
  std::string message(pattern);
  size_t at = message.find("%s");
  if (at == std::string::npos) at = message.find("%d");
  if (at != std::string::npos) message.replace(at, 2, arg);
  reportScriptError(e, caption, message);
}

}  // namespace veloria
