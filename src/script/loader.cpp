// Loading the script into one buffer and collecting its labels.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "script/scramble.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

[[noreturn]] void scriptTooLong(Engine& e) {
  reportScriptError(e, sj("エラー"), sj("シナリオが長すぎます。"));
}

// Copies `raw` as a text-mode read would deliver it (CR LF becomes LF, 0x1A ends the text),
// taking at most `room` bytes. Returns the number of bytes stored.
size_t appendTextMode(std::vector<uint8_t>& out, const std::vector<uint8_t>& raw, size_t room) {
  size_t stored = 0;
  const size_t n = raw.size();
  // Grow geometrically: reserving the exact size for each of 100 files would copy the
  // whole buffer again for every file.
  size_t need = out.size() + std::min(n, room);
  if (need > out.capacity()) out.reserve(std::max(need, out.capacity() * 2));
  for (size_t i = 0; i < n && stored < room; ++i) {
    uint8_t c = raw[i];
    if (c == 0x1A) break;
    if (c == '\r' && i + 1 < n && raw[i + 1] == '\n') continue;
    out.push_back(c);
    ++stored;
  }
  return stored;
}

// Terminates the buffer: the 0 byte at `length`, and the padding readers rely on.
void finishBuffer(Engine& e) {
  auto& s = e.script;
  s.scriptLength = static_cast<uint32_t>(s.scriptBuffer.size());
  s.scriptBuffer.resize(s.scriptBuffer.size() + kScriptPadding, 0);
}

void loadTextFiles(Engine& e) {
  auto& s = e.script;
  s.source = ScriptSource::TextFiles;
  for (int k = 0; k < kScriptFileCount; ++k) {
    auto raw = fs::readFile(std::to_string(k) + ".txt");
    if (!raw) {
      s.fileEndTable[static_cast<size_t>(k)] = kMissingFileEnd;
      continue;
    }
    size_t p = s.scriptBuffer.size();
    size_t room = kScriptBufferSize - 1 - p;
    appendTextMode(s.scriptBuffer, *raw, room);
    s.fileEndTable[static_cast<size_t>(k)] = static_cast<int32_t>(s.scriptBuffer.size());
    s.scriptBuffer.push_back('\n');
    if (s.scriptBuffer.size() >= kScriptBufferSize) scriptTooLong(e);
  }
}

void loadScrambled(Engine& e, const std::vector<uint8_t>& raw, ScriptSource source) {
  auto& s = e.script;
  s.source = source;
  // The file, a line feed and the terminating 0 must fit; stop before reading past that.
  if (raw.size() + 1 >= kScriptBufferSize) scriptTooLong(e);
  s.scriptBuffer.assign(raw.begin(), raw.end());
  if (source == ScriptSource::VeloriaDat)
    scrambleVeloriaDat(s.scriptBuffer.data(), s.scriptBuffer.size());
  else
    scrambleVeloSec(s.scriptBuffer.data(), s.scriptBuffer.size());
  s.scriptBuffer.push_back('\n');
}

void beginLoad(Engine& e) {
  auto& s = e.script;
  s.scriptBuffer.clear();
  s.scriptPos = 0;
  s.scriptLength = 0;
  s.fileEndTable.fill(kMissingFileEnd);
  s.source = ScriptSource::None;
}

void checkMode800(Engine& e) {
  const auto& b = e.script.scriptBuffer;
  if (b.size() >= 8 && std::memcmp(b.data(), ";mode800", 8) == 0) switchTo800(e);
}

}  // namespace

void loadScript(Engine& e) {
  beginLoad(e);
  bool haveText = fs::exists("0.txt");
  if (!haveText && fs::exists("velo_sec.dat")) {
    auto raw = fs::readFile("velo_sec.dat");
    loadScrambled(e, raw ? *raw : std::vector<uint8_t>{}, ScriptSource::VeloSecDat);
  } else if (haveText) {
    loadTextFiles(e);
  } else if (fs::exists("veloria.dat")) {
    auto raw = fs::readFile("veloria.dat");
    loadScrambled(e, raw ? *raw : std::vector<uint8_t>{}, ScriptSource::VeloriaDat);
  } else {
    loadTextFiles(e);
  }
  finishBuffer(e);
  checkMode800(e);
  detectDialect(e);
}

void loadScriptFromMemory(Engine& e, std::string_view bytes) {
  beginLoad(e);
  auto& s = e.script;
  s.source = ScriptSource::TextFiles;
  std::vector<uint8_t> raw(bytes.begin(), bytes.end());
  appendTextMode(s.scriptBuffer, raw, kScriptBufferSize - 1);
  s.fileEndTable[0] = static_cast<int32_t>(s.scriptBuffer.size());
  s.scriptBuffer.push_back('\n');
  if (s.scriptBuffer.size() >= kScriptBufferSize) scriptTooLong(e);
  finishBuffer(e);
  checkMode800(e);
  detectDialect(e);
}

void releaseScript(Engine& e) {
  e.script.scriptBuffer.clear();
  e.script.scriptBuffer.shrink_to_fit();
}

void clearLabels(Engine& e) {
  e.script.labels.clear();
  e.script.labelIndex.clear();
}

void addLabel(Engine& e, std::string name, uint32_t pos) {
  auto& s = e.script;
  s.labelIndex.emplace(name, static_cast<uint32_t>(s.labels.size()));
  s.labels.push_back(Label{std::move(name), pos});
}

void buildLabelTable(Engine& e) {
  auto& s = e.script;
  clearLabels(e);
  const uint8_t* b = scriptBytes(e);
  uint32_t pos = 0;
  for (;;) {
    uint8_t c = b[pos];
    if (c == 0) break;
    if (c == ' ' || c == '\t' || c == '\n') {
      ++pos;
      continue;
    }
    if (c != '*') {
      while (b[pos] != 0 && b[pos] != '\n') ++pos;
      continue;
    }
    s.scriptPos = pos;
    std::string name = readLabel(e);
    if (s.labelIndex.count(name)) reportScriptErrorF(e, sj("エラー"), sj("ラベル*%sの多重定義です。"), name);
    if (s.labels.size() >= kMaxLabels) reportScriptError(e, sj("エラー"), sj("ラベルが5000を超えました。"));
    skipBlanks(e);
    if (b[s.scriptPos] == '\n') ++s.scriptPos;
    pos = s.scriptPos;
    addLabel(e, std::move(name), pos);
  }
  s.scriptPos = 0;
}

int64_t findLabel(const Engine& e, std::string_view name) {
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  auto it = e.script.labelIndex.find(lower);
  if (it == e.script.labelIndex.end()) return -1;
  return e.script.labels[it->second].pos;
}

}  // namespace veloria
