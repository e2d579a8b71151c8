// The files that outlive a game: gloval.sav (global variables 200..4095), kidoku.dat (read
// marks), Veloflog.dat / Velollog.dat (files shown, labels passed) and envdata (the player's
// menu settings). Every one is written whole and atomically (platform/files.h).
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "save/persist_formats.h"
#include "save/save_items.h"
#include "save/save.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"

namespace veloria {

namespace {

constexpr const char* kGlobalsFile = "gloval.sav";
constexpr const char* kReadMarksFile = "kidoku.dat";
constexpr const char* kFileLogFile = "Veloflog.dat";
constexpr const char* kLabelLogFile = "Velollog.dat";
constexpr const char* kEnvironmentFile = "envdata";

// The background saves have no box to show; a failure is said once per file on stderr so
// that a player who wonders why settings were lost can find out.
void noteWriteFailure(const char* name) {
  static std::string reported;
  if (fs::persistentDirectory().empty()) return;  // nothing is saved, as was said at the start
  if (reported.find(std::string(name) + "\n") != std::string::npos) return;
  reported += std::string(name) + "\n";
  std::fprintf(stderr, "veloria: cannot write %s in %s\n", name, fs::persistentDirectory().c_str());
}

void writeOrNote(const char* name, const std::vector<uint8_t>& bytes) {
  // A held file (there, but not readable safely) was said already when it was read.
  if (!fs::writePersistentFile(name, bytes.data(), bytes.size()) && !fs::persistentFileHeld(name))
    noteWriteFailure(name);
}

void replaceLog(NameLog& log, const std::vector<std::string>& entries) {
  // The file's entries first, in its order; what this run logged before they were read
  // (the define pass) is kept after them rather than dropped.
  NameLog merged;
  for (const std::string& en : entries) merged.push_back(normalizeLogName(en));
  for (const std::string& en : log) merged.push_back(en);
  log = std::move(merged);
}

// An extended game's gloval.sav takes the extended layout when the base one cannot hold its
// globals: a border other than 200, or a variable above 4095 in use.
bool needsExtendedGlobals(const Engine& e) {
  const ScriptState& s = e.script;
  if (s.dialect != Dialect::Extended) return false;
  if (s.globalBorder != kLocalVariableCount) return true;
  for (size_t i = kVariableCount; i < kMaxVariableCount; ++i)
    if (s.numVars[i] != 0 || !s.strVars[i].empty()) return true;
  return false;
}

// Every variable with the longest string a variable holds: no larger file is ours.
constexpr size_t kMaxExtendedGlobalsBytes = 16 + size_t{kMaxVariableCount} * (4 + kMaxStringBytes + 1);

}  // namespace

// ---- global variables ----

void loadGlobalVariables(Engine& e) {
  auto data = fs::readPersistentFile(kGlobalsFile, kMaxGlobalsFileBytes);
  if (data && extendedDialect(e) && hasExtendedMarker(data->data(), data->size())) {
    ExtendedGlobals x;
    if (data->size() > kMaxExtendedGlobalsBytes || !decodeExtendedGlobals(data->data(), data->size(), x)) {
      // Not ours: the variables stay 0 and empty, and the game goes on.
      e.platform.messageBox(damagedSaveMessage(kGlobalsFile), sj("ロードエラー"), MB_OK);
      return;
    }
    for (size_t k = 0; k < x.numVars.size(); ++k) {
      const int32_t i = x.border + static_cast<int32_t>(k);
      numVar(e, i) = x.numVars[k];
      strVar(e, i) = std::move(x.strVars[k]);
    }
    return;
  }
  GlobalVariables g;
  if (data) decodeGlobals(data->data(), data->size(), g);
  for (int i = kLocalVariableCount; i < kVariableCount; ++i) {
    size_t k = static_cast<size_t>(i - kLocalVariableCount);
    numVar(e, i) = g.numVars[k];
    strVar(e, i) = std::move(g.strVars[k]);
  }
}

// ---- logs and settings ----

void readLogs(Engine& e) {
  if (e.save.fileLogOn)
    if (auto data = fs::readPersistentFile(kFileLogFile, kMaxLogFileBytes)) replaceLog(e.script.fileLog, decodeLog(data->data(), data->size()));
  if (e.save.labelLogOn)
    if (auto data = fs::readPersistentFile(kLabelLogFile, kMaxLogFileBytes)) replaceLog(e.script.labelLog, decodeLog(data->data(), data->size()));
}

std::optional<MenuChoices> readEnvironment(Engine& e) {
  auto data = fs::readPersistentFile(kEnvironmentFile, kMaxEnvironmentFileBytes);
  if (!data) return std::nullopt;
  Environment env = decodeEnvironment(data->data(), data->size());
  setFace(e, env.faceName);
  chooseCdDrive(e, env.cdDrive);
  MenuChoices c;
  c.fullScreen = env.fullScreen != 0;
  c.waveOn = env.waveOn != 0;
  c.cdEnabled = env.cdEnabled != 0;
  c.pageOnly = env.pageOnly != 0;
  c.textSpeed = env.textSpeed;
  c.faceName = env.faceName;
  return c;
}

void writePersistentState(Engine& e) {
  std::vector<uint8_t> bytes;
  if (e.save.globalSaveOn && needsExtendedGlobals(e)) {
    ExtendedGlobals x;
    x.border = e.script.globalBorder;
    x.numVars.assign(e.script.numVars.begin() + x.border, e.script.numVars.end());
    x.strVars.assign(e.script.strVars.begin() + x.border, e.script.strVars.end());
    encodeExtendedGlobals(x, bytes);
    writeOrNote(kGlobalsFile, bytes);
  } else if (e.save.globalSaveOn) {
    GlobalVariables g;
    for (int i = kLocalVariableCount; i < kVariableCount; ++i) {
      size_t k = static_cast<size_t>(i - kLocalVariableCount);
      g.numVars[k] = e.script.numVars[static_cast<size_t>(i)];
      g.strVars[k] = e.script.strVars[static_cast<size_t>(i)];
    }
    encodeGlobals(g, bytes);
    writeOrNote(kGlobalsFile, bytes);
  }
  Environment env;
  env.fullScreen = e.appWindow.fullScreen ? 1 : 0;
  env.waveOn = e.sound.waveOn;
  env.textSpeed = e.text.menuSpeedIndex;
  env.pageOnly = e.text.pageOnlyMode;
  env.faceName = e.text.chosenFaceName;
  env.cdEnabled = e.sound.cdEnabled;
  env.cdDrive = e.sound.cdDrive;
  encodeEnvironment(env, bytes);
  writeOrNote(kEnvironmentFile, bytes);
  if (e.save.fileLogOn) {
    encodeLog(std::vector<std::string>(e.script.fileLog.begin(), e.script.fileLog.end()), bytes);
    writeOrNote(kFileLogFile, bytes);
  }
  if (e.save.labelLogOn) {
    encodeLog(std::vector<std::string>(e.script.labelLog.begin(), e.script.labelLog.end()), bytes);
    writeOrNote(kLabelLogFile, bytes);
  }
}

// ---- read marks ----

void loadReadMarks(Engine& e) {
  std::vector<uint8_t>& marks = e.save.readMarks;
  marks.assign(e.script.scriptLength / 8, 0);
  if (auto file = fs::readPersistentFile(kReadMarksFile, kMaxReadMarksFileBytes))
    std::copy_n(file->begin(), std::min(file->size(), marks.size()), marks.begin());
}

void writeReadMarks(Engine& e) {
  const auto& marks = e.save.readMarks;
  if (!marks.empty()) writeOrNote(kReadMarksFile, marks);
}

bool positionRead(const Engine& e, uint32_t pos) {
  const auto& m = e.save.readMarks;
  if (m.empty()) return true;
  return pos / 8 < m.size() && ((m[pos / 8] >> (pos % 8)) & 1) != 0;
}

bool markPositionRead(Engine& e, uint32_t pos) {
  auto& m = e.save.readMarks;
  if (m.empty()) return true;
  if (pos / 8 >= m.size()) return false;
  const uint8_t bit = static_cast<uint8_t>(1u << (pos % 8));
  const bool wasRead = (m[pos / 8] & bit) != 0;
  m[pos / 8] |= bit;
  return wasRead;
}

}  // namespace veloria
