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
  uint64_t linesRun = 0;       // lines that have run at all
  uint32_t lastNewLineMs = 0;  // the clock when the last of those first ran

  void note(const Engine& e);
  // Adds another recorder's counts (a run of the same script); false, and nothing added,
  // when it counted a different script.
  bool merge(const CoverageRecorder& other);
};

// The interpreter loop calls this at every step; it costs a test when coverage is off.
inline void noteExecutedLine(const Engine& e) {
  if (e.app.coverage) e.app.coverage->note(e);
}

struct CoverageTotals {
  uint64_t lines = 0;     // lines with statements (and any other line that ran)
  uint64_t executed = 0;  // of those, lines that ran
};

// The lines of one script file that hold statements (or ran), each with its count.
struct CoveredFile {
  std::string name;    // the game's name for it ("0.txt")
  std::string source;  // its absolute host path, when it has one
  std::vector<std::pair<uint32_t, uint64_t>> lines;  // (line, times run), ascending
};
// Per file of the script in the game directory; empty with `error` set when the script on
// disk is not the one the counts belong to.
std::vector<CoveredFile> coveredFiles(const CoverageRecorder& rec, EngineSetUp setUp, std::string& error);

// 1234567 -> "1,234,567".
std::string groupedNumber(uint64_t n);

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
