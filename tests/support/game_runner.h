// Runs a whole game in-process on the headless backend: the test writes the game's files,
// gives scripted input, and looks at the exit code, stderr and the engine's final state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/game_dir.h"

namespace veloria {
struct Engine;
class AutoplayStrategy;
}

namespace veloria::test {

struct RunOptions {
  std::string input;             // automation input script
  uint32_t timeoutMs = 600000;   // virtual; a test never hangs for real
  bool autoplay = false;
  std::shared_ptr<AutoplayStrategy> strategy;  // with autoplay: what it takes at choices and buttons
  std::string recordAudio;       // host path: the headless mix is written there as WAV
  // Read aloud into a record (the platform keeps it; recordSpeechFile, relative to the game
  // directory, gets the lines too). readAloud: on from the start, as --record-speech is.
  bool recordSpeech = false;
  std::string recordSpeechFile;
  bool readAloud = false;
  std::function<void(Engine&)> inspect;  // sees the engine when the run has ended
  bool holdInstanceLock = false;  // pretend another copy is running
  std::function<void(const std::string& gameDir)> prepare;  // runs once the files are written
};

struct GameRun {
  int exitCode = -1;
  std::string stderrText;    // UTF-8
  std::string errorCaption;  // UTF-8, empty when the run had no script error
  std::string errorMessage;  // UTF-8
  std::string dump;          // the JSON dump at the end
  std::vector<uint8_t> picture;  // the window picture, top-down RGB
  int width = 0, height = 0;
  uint32_t endTimeMs = 0;    // virtual clock at the end
  std::string gameDir;       // the files the game wrote stay while the run is kept
  std::shared_ptr<GameDir> dir;
};

GameRun runGame(const GameFiles& files, const RunOptions& options = {});

// Shift-JIS bytes of UTF-8 test text.
std::string sjisText(const std::string& utf8);

// Pixel (x, y) of a run's window picture as 0xRRGGBB.
uint32_t pixelAt(const GameRun& run, int x, int y);

}  // namespace veloria::test
