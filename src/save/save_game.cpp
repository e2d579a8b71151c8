// Saved games: the automatic save point, writing a slot, loading one, and the commands
// savenumber, savename, saveon, saveoff, globalon, filelog and labellog.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "save/save_items.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"

namespace veloria {

namespace {

// A save file is some tens of kilobytes; a much larger one is not ours and is not read.
constexpr uint64_t kMaxSaveFileBytes = 64u << 20;
constexpr size_t kMaxMenuText = 255;

SaveSnapshot& savePointSnapshot(Engine& e) {
  if (!e.save.savePoint) e.save.savePoint = std::make_shared<SaveSnapshot>();
  return *e.save.savePoint;
}

void enterLoadHook(Engine& e);
bool writeSlot(Engine& e, int slot);

std::string damagedMessage(int slot) { return damagedSaveMessage(saveSlotFileName(slot)); }

// Reads the slot and replaces the game with it. False, with nothing changed, when the file
// is missing or damaged (a damaged one is said in a box).
bool loadSlotState(Engine& e, int slot) {
  if (slot < 0 || slot > kMaxCommandSlot) return false;
  fs::ReadProblem problem = fs::ReadProblem::None;
  auto data = fs::readPersistentFile(saveSlotFileName(slot), kMaxSaveFileBytes, &problem);
  if (!data && problem == fs::ReadProblem::Missing) return false;
  auto snap = std::make_unique<SaveSnapshot>();
  if (!data || !decodeSnapshot(data->data(), data->size(), e.script.scriptLength, *snap)) {
    e.platform.messageBox(damagedMessage(slot), sj("ロードエラー"), MB_OK);
    return false;
  }
  // Everything stops at once (no CD fade) before the saved state comes in.
  markSavePointStale(e);
  stopAllSoundAndLoops(e);
  clearLog(e);
  applySnapshot(e, *snap);
  textAfterLoad(e, snap->windowPicture);
  graphicsAfterLoad(e);
  soundAfterLoad(e);
  enterLoadHook(e);
  return true;
}

// loadgosub: the loaded game goes on through the routine, whose return continues it.
void enterLoadHook(Engine& e) {
  const std::string& label = e.save.loadGosubLabel;
  if (label.empty()) return;
  if (!callStackPush(e, scriptPosition(e)))
    reportScriptError(e, sj("スタックエラー"), sj("gosub文のせいでスタックが溢れました。"));
  jumpToLabel(e, label);
}

// The last save point into save<slot>.dat; false (the old file kept) when there is none or
// the file cannot be written.
bool writeSlot(Engine& e, int slot) {
  const std::vector<uint8_t>& image = savePointImage(e);
  return !image.empty() && fs::writePersistentFile(saveSlotFileName(slot), image.data(), image.size());
}

void tellNotWritten(Engine& e, int slot) {
  std::string m = saveSlotFileName(slot) + sj("に書き込めませんでした。");
  e.platform.messageBox(m, sj("セーブエラー"), MB_OK);
}

int32_t readCommandSlot(Engine& e) {
  int32_t n = readNumber(e);
  if (n < 0 || n > kMaxCommandSlot)
    reportScriptErrorF(e, sj("パラメータエラー"), sj("セーブ番号%dが範囲外です。"), std::to_string(n));
  return n;
}

void cmdSavegame(Engine& e, std::string_view, bool) {
  int32_t n = readCommandSlot(e);
  if (!writeSlot(e, n)) tellNotWritten(e, n);
}

void cmdLoadgame(Engine& e, std::string_view, bool) {
  int32_t n = readCommandSlot(e);
  if (!fs::persistentFileStamp(saveSlotFileName(n))) {
    reportScriptWarning(e, sj("セーブデータ") + std::to_string(n) + sj("がありません。"));
    return;
  }
  // The loaded game goes on at its own position; a damaged file was said in a box and this
  // game goes on instead.
  loadSlotState(e, n);
}

void cmdSavetime(Engine& e, std::string_view, bool) {
  int32_t n = readNumber(e);
  int32_t vars[4];
  for (int32_t& v : vars) {
    expectComma(e);
    v = readNumVarRef(e, "savetimeの第二引数以降は数字変数です。");
  }
  std::optional<fs::LocalFileTime> t;
  if (n >= 0 && n <= kMaxCommandSlot) t = fs::persistentFileLocalTime(saveSlotFileName(n));
  const int32_t values[4] = {t ? t->month : 0, t ? t->day : 0, t ? t->hour : 0, t ? t->minute : 0};
  for (int i = 0; i < 4; ++i) setNumVar(e, vars[i], values[i]);
}

void cmdErrorsave(Engine& e, std::string_view, bool) { e.save.errorSaveOn = 1; }
void cmdLoadgosub(Engine& e, std::string_view, bool) { e.save.loadGosubLabel = readLabel(e); }

void cmdSavenumber(Engine& e, std::string_view, bool) {
  int32_t n = readNumber(e);
  if (n < 1 || n > kMaxSaveSlots) {
    // The menus number slots "１" to "２０": outside that the nearest count is used.
    std::fprintf(stderr, "veloria: savenumber %d is outside 1-%d; using %d\n", n, kMaxSaveSlots,
                 n < 1 ? 1 : kMaxSaveSlots);
    n = n < 1 ? 1 : kMaxSaveSlots;
  }
  e.save.saveSlotCount = n;
}

void cmdSavename(Engine& e, std::string_view, bool) {
  std::string save = readString(e);
  expectComma(e);
  std::string load = readString(e);
  expectComma(e);
  std::string label = readString(e);
  for (std::string* s : {&save, &load, &label}) truncateSjis(*s, kMaxMenuText);
  e.save.saveMenuTitle = std::move(save);
  e.save.loadMenuTitle = std::move(load);
  e.save.slotLabel = std::move(label);
}

void cmdSaveon(Engine& e, std::string_view, bool) { allowSaving(e, true); }
void cmdSaveoff(Engine& e, std::string_view, bool) { allowSaving(e, false); }
void cmdGlobalon(Engine& e, std::string_view, bool) { e.save.globalSaveOn = 1; }
void cmdFilelog(Engine& e, std::string_view, bool) { e.save.fileLogOn = 1; }
void cmdLabellog(Engine& e, std::string_view, bool) { e.save.labelLogOn = 1; }
void cmdKidokuskip(Engine& e, std::string_view, bool) { loadReadMarks(e); }

}  // namespace

std::string saveSlotFileName(int slot) { return "save" + std::to_string(slot) + ".dat"; }

void allowSaving(Engine& e, bool on) { e.save.savingAllowed = on ? 1 : 0; }

namespace {

// A requested load is carried out first; then whether the state may be kept here.
bool savePointDue(Engine& e) {
  if (int slot = e.save.requestedLoadSlot) {
    e.save.requestedLoadSlot = 0;
    loadSlotState(e, slot);
  }
  return e.save.savingAllowed && e.text.cursorColumn == 0 && e.text.cursorLine == 0 && e.text.cursorHalfCell == 0;
}

// The self-check: the image kept so far against one of the whole state.
void checkSavePoint(Engine& e) {
  SaveState& s = e.save;
  auto whole = std::make_unique<SaveSnapshot>();
  captureSnapshot(e, *whole);
  std::vector<uint8_t> expected;
  encodeSnapshot(*whole, expected);
  ++s.savePointsChecked;
  if (savePointImage(e) != expected) ++s.savePointMismatches;
}

void keepWholeState(Engine& e) {
  captureSnapshot(e, savePointSnapshot(e));
  forgetWrittenVariables(e);
  e.save.savePointStale = false;
  e.save.haveSavePoint = true;
  e.save.saveImageCurrent = false;
}

}  // namespace

void takeSavePoint(Engine& e) {
  if (savePointDue(e)) keepWholeState(e);
}

void advanceSavePoint(Engine& e) {
  if (!savePointDue(e)) return;
  SaveState& s = e.save;
  if (s.savePointStale || !s.haveSavePoint) {
    keepWholeState(e);
    return;
  }
  const CallStack& cs = e.script.callStack;
  SaveSnapshot& snap = *s.savePoint;
  if (e.script.writtenVariables.empty() && cs.unchangedBelow == cs.depth &&
      std::clamp(cs.depth, 0, kSavedCallStack) == snap.callDepth) {
    snap.scriptPos = static_cast<int32_t>(e.script.scriptPos);  // only the position moved
  } else {
    updateScriptItems(e, snap);
    forgetWrittenVariables(e);
  }
  s.saveImageCurrent = false;
  if (s.checkSavePoints) checkSavePoint(e);
}

void markSavePointStale(Engine& e) { e.save.savePointStale = true; }

const std::vector<uint8_t>& savePointImage(Engine& e) {
  SaveState& s = e.save;
  if (!s.haveSavePoint) {
    s.saveImage.clear();
  } else if (!s.saveImageCurrent) {
    encodeSnapshot(savePointSnapshot(e), s.saveImage);
    s.saveImageCurrent = true;
  }
  return s.saveImage;
}

bool saveGame(Engine& e, int slot) {
  if (slot < 1 || slot > kMaxSaveSlots) return false;
  // No save point yet (saving was off from the start): there is no game to write.
  bool ok = writeSlot(e, slot);
  if (!ok) tellNotWritten(e, slot);
  return ok;
}

void saveAfterFatalError(Engine& e) {
  if (e.save.errorSaveOn && !e.script.checkingMode) writeSlot(e, kMaxCommandSlot);
}

bool loadGame(Engine& e, int slot) {
  if (slot < 1 || slot > kMaxSaveSlots || !loadSlotState(e, slot)) return false;
  noteGameLoaded(e);
  return true;
}

void requestLoad(Engine& e, int slot) { e.save.requestedLoadSlot = slot; }

void saveRestoreDefaults(Engine& e) {
  SaveState& s = e.save;
  s.savingAllowed = 1;
  s.saveSlotCount = kDefaultSaveSlots;
  s.saveMenuTitle = sj("＜セーブ＞");
  s.loadMenuTitle = sj("＜ロード＞");
  s.slotLabel = sj("しおり");
  s.requestedLoadSlot = 0;
  s.saveImage.clear();
  s.saveImageCurrent = false;
  s.haveSavePoint = false;
  s.loadGosubLabel.clear();
  s.errorSaveOn = 0;
  s.savePointStale = true;
}

void registerSaveCommands(CommandTable& t) {
  t.add("savenumber", cmdSavenumber, "n");
  t.add("savename", cmdSavename, "s,s,s");
  t.add("saveon", cmdSaveon, "");
  t.add("saveoff", cmdSaveoff, "");
  t.add("globalon", cmdGlobalon, "");
  t.add("filelog", cmdFilelog, "");
  t.add("labellog", cmdLabellog, "");
  t.add("kidokuskip", cmdKidokuskip, "");
  t.add("savegame", cmdSavegame, kOwnCheck);
  t.add("loadgame", cmdLoadgame, kOwnCheck);
  t.add("savetime", cmdSavetime, {.pattern = "n,%,%,%,%", .messages = {"savetimeの第二引数以降は数字変数です。"}});
  t.add("errorsave", cmdErrorsave, "");
  t.add("loadgosub", cmdLoadgosub, "l");
}

}  // namespace veloria
