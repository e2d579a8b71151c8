// --coverage: which script lines a run executed, written as an lcov tracefile.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "check/checker.h"
#include "engine/engine.h"

namespace veloria {

// Counts, per line of the loaded script, how often a statement on it began to run.
struct CoverageRecorder {
  std::vector<uint32_t> lineStarts;  // position of each line of the buffer, ascending
  std::vector<uint64_t> hits;        // per line
  const uint8_t* buffer = nullptr;   // the buffer the index was built for
  uint32_t scriptLength = 0;
  size_t lastLine = SIZE_MAX;
  uint32_t lastPos = 0;

  void note(const Engine& e);
};

// The interpreter loop calls this at every step; it costs a test when coverage is off.
inline void noteExecutedLine(const Engine& e) {
  if (e.app.coverage) e.app.coverage->note(e);
}

struct CoverageTotals {
  uint64_t lines = 0;     // lines with statements (and any other line that ran)
  uint64_t executed = 0;  // of those, lines that ran
};

// The tracefile text for the script in the game directory, one record per script file; the
// lines listed are those the checker finds statements on. Empty (with `error` set) when the
// script on disk is not the one the counts belong to.
// `setUp` makes the checker's engine (checker.h).
std::string coverageTracefile(const CoverageRecorder& rec, EngineSetUp setUp, CoverageTotals& totals,
                              std::string& error);
// Writes the tracefile to `path` and the summary line ("coverage: 1,234 of 2,000 lines
// (61.7%)") to `err`. False when nothing could be written.
bool writeCoverage(const CoverageRecorder& rec, EngineSetUp setUp, const std::string& path, std::FILE* err);

}  // namespace veloria
