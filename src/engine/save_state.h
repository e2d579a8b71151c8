// Persistence state: the save image of the last save point, the slot settings, read marks,
// and the switches for global variables and the logs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veloria {

struct SaveSnapshot;

inline constexpr int kDefaultSaveSlots = 9;
inline constexpr int kMaxSaveSlots = 20;
// The slots the save commands reach: 0..999 (errorsave writes 999).
inline constexpr int kMaxCommandSlot = 999;

struct SaveState {
  std::vector<uint8_t> readMarks;  // bit p of the script; empty = read marks off
  int32_t globalSaveOn = 0;
  int32_t fileLogOn = 0;
  int32_t labelLogOn = 0;
  int32_t savingAllowed = 1;

  // The save file image of the last save point (grows as needed; the format has no limit),
  // made from `savePoint` only when a save needs it: save points come at every statement on
  // an empty page, saves rarely.
  std::vector<uint8_t> saveImage;
  bool saveImageCurrent = false;
  bool haveSavePoint = false;
  // Set when more than the script's own state may have changed since the last save point.
  bool savePointStale = true;
  // A self-check for tests and play-tests (left alone by resets): every save point between
  // statements is compared, byte for byte, with the image of the whole state at that moment.
  bool checkSavePoints = false;
  uint64_t savePointsChecked = 0;
  uint64_t savePointMismatches = 0;
  int32_t saveSlotCount = kDefaultSaveSlots;
  std::string saveMenuTitle, loadMenuTitle, slotLabel;  // Shift-JIS; set by savename
  // A load asked for while no wait could unwind (automation input): carried out at the next
  // save point, between two statements. 0 = none.
  int32_t requestedLoadSlot = 0;
  // The last save point, kept so that taking one allocates nothing once warmed up.
  std::shared_ptr<SaveSnapshot> savePoint;
  // loadgosub: the routine called after every completed load (empty = none). Not saved.
  std::string loadGosubLabel;
  // errorsave: a fatal script error writes the last save point to slot 999 first.
  int32_t errorSaveOn = 0;
};

}  // namespace veloria
