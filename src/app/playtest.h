// The play-test: the game played headless again and again from a fresh start, with the
// explore strategy whose counts carry over from run to run, until a run reaches nothing
// new. The player's own files are never touched: the runs keep theirs in a scratch folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/script_state.h"

namespace veloria {

struct PlaytestOptions {
  std::string gameDir = ".";
  int runs = 20;
  uint32_t timeoutMs = 4u * 60 * 60 * 1000;  // virtual time a run may take
  uint32_t stallMs = 30u * 60 * 1000;        // virtual time without a line new to the run
  std::string reportFile;                    // JSON report; empty = none
  std::string coverageFile;                  // merged lcov tracefile; empty = none
  ScriptOptions scriptOptions;
};

enum class RunEnd { End, Error, Timeout, Stall };

struct PlaytestResult {
  struct Run {
    RunEnd end = RunEnd::End;
    uint32_t virtualMs = 0;
    uint64_t newLines = 0;    // lines no earlier run reached
    uint64_t newOptions = 0;  // options no earlier run took at their place
    uint64_t linesExecuted = 0;  // script lines the run came to, each time it came
  };
  struct Error {
    std::string file;  // "0.txt"
    uint32_t line = 0;
    std::string message;  // UTF-8
    int run = 0;          // the first run it ended (1-based)
  };
  struct Choice {
    std::string file;
    uint32_t line = 0;
    std::vector<std::string> options;     // UTF-8, in the order first seen
    std::vector<std::string> neverTaken;
  };
  struct Range {
    std::string file;
    uint32_t first = 0, last = 0;
  };
  std::vector<Run> runs;
  std::vector<Error> errors;  // one per place and message
  std::vector<Choice> choices;
  std::vector<Range> neverReached;
  uint64_t lines = 0, linesReached = 0;
  int exitCode = 0;  // 0: no run ended in a script error; 1: one did; else the run could not start
  std::string failure;  // why the play-test could not run (exit code other than 0 and 1)
};

// Plays the game; a line per run goes to `progress` (may be null).
PlaytestResult runPlaytest(const PlaytestOptions& options, std::FILE* progress);
// The summary a person reads ("playtest: 7 runs, ...") and the JSON report.
std::string playtestSummary(const PlaytestResult& result);
std::string playtestJson(const PlaytestResult& result);
// The command: runs, prints the summary on stdout, writes the report and the tracefile;
// returns the exit code.
int playtestCommand(const PlaytestOptions& options);

}  // namespace veloria
