// The static script checker (veloria --check): reads the whole script as the loader does and
// reports every problem it can prove without running the game.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "script/script.h"
#include "engine/script_state.h"

namespace veloria {

struct Engine;

struct CheckFinding {
  std::string file;   // "3.txt", or the single script file's name
  uint32_t line = 0;  // 1-based, within that file
  uint32_t pos = 0;   // offset in the loaded script
  std::string message;  // UTF-8: the engine's own message and an English gloss, or English
};

// Where in the loaded script each statement starts, by file: the lines an author can cover.
struct ScriptLines {
  struct File {
    std::string name;  // "3.txt", or the single script file's name
    std::vector<uint32_t> statementLines;  // 1-based, ascending, each once
    uint32_t lineCount = 0;
  };
  std::vector<File> files;
  uint32_t scriptLength = 0;
};

struct CheckResult {
  std::vector<CheckFinding> findings;  // in script order
  bool truncated = false;              // more findings than the checker keeps
  ScriptLines lines;
  Dialect dialect = Dialect::Base;     // the language the script was checked in
};

// Makes the checker's engine as a game makes its own: every command registered (the rows
// carry the argument patterns the checker reads) and every subsystem at its defaults. The
// shell's setUpEngine (app/commands.h) is the one; the checker stands below the shell and
// is handed it.
using EngineSetUp = void (*)(Engine& e);

// Checks the game in the current game directory (fs::gameDirectory): script, labels and the
// media files it names.
CheckResult checkGame(EngineSetUp setUp, const ScriptOptions& options = {});
// Checks `sjisScript` as the only script file 0.txt (tests, fuzzing); media files are looked
// up in the game directory as usual.
CheckResult checkScriptBytes(EngineSetUp setUp, std::string_view sjisScript, const ScriptOptions& options = {});

// One finding as printed: "3.txt:12: message".
std::string formatFinding(const CheckFinding& f);
// veloria --check: the findings on `out`, a summary on `err`. Returns the exit code: 0 clean,
// 1 when anything was found.
int runScriptCheck(EngineSetUp setUp, std::FILE* out, std::FILE* err, const ScriptOptions& options = {});

// Every command word the checker has a check of its own for (for the completeness test).
std::vector<std::string_view> ownCheckWords();

}  // namespace veloria
