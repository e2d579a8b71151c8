// Line coverage of a run: the interpreter loop reports every step, the recorder counts the
// statements that begin on each line, and at the end the checker's view of the script says
// which lines hold statements at all.
#include "check/coverage.h"

#include <algorithm>

#include "check/checker.h"
#include "platform/files.h"

namespace veloria {

namespace {

// Bytes the interpreter steps over, or that begin a label or a comment: no statement runs.
inline bool startsStatement(uint8_t c) {
  return c != 0 && c != ' ' && c != '\t' && c != '\n' && c != ':' && c != '~' && c != '*' && c != ';';
}

}  // namespace

std::string groupedNumber(uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

void CoverageRecorder::note(const Engine& e) {
  const auto& s = e.script;
  const uint32_t pos = s.scriptPos;
  if (pos >= s.scriptLength || !startsStatement(s.scriptBuffer[pos])) return;
  if (s.scriptBuffer.data() != buffer || s.scriptLength != scriptLength) {
    // A new engine cycle loads the script again; the counts carry over while it is the same
    // script, and start afresh if it changed on disk meanwhile.
    if (s.scriptLength != scriptLength) hits.clear();
    buffer = s.scriptBuffer.data();
    scriptLength = s.scriptLength;
    lineStarts.assign(1, 0);
    for (uint32_t p = 0; p < scriptLength; ++p)
      if (s.scriptBuffer[p] == '\n') lineStarts.push_back(p + 1);
    hits.resize(lineStarts.size(), 0);
    lastLine = SIZE_MAX;
  }
  size_t line = lastLine;
  // Statements mostly follow each other on the same line or the next.
  auto holds = [&](size_t l) {
    return l < lineStarts.size() && lineStarts[l] <= pos && (l + 1 == lineStarts.size() || pos < lineStarts[l + 1]);
  };
  if (!holds(line)) {
    if (holds(line + 1)) ++line;
    else line = static_cast<size_t>(std::upper_bound(lineStarts.begin(), lineStarts.end(), pos) - lineStarts.begin()) - 1;
  }
  // A line counts once per visit: again only when the run came back to it (a loop).
  if (line != lastLine || pos <= lastPos) {
    if (hits[line]++ == 0) {
      ++linesRun;
      lastNewLineMs = e.platform.timeGetTime();
    }
  }
  lastLine = line;
  lastPos = pos;
}

bool CoverageRecorder::merge(const CoverageRecorder& other) {
  if (other.hits.empty()) return true;
  if (hits.empty()) {
    lineStarts = other.lineStarts;
    scriptLength = other.scriptLength;
    hits.assign(other.hits.size(), 0);
    buffer = nullptr;  // a note() after this indexes its own buffer again
    lastLine = SIZE_MAX;
  }
  if (other.scriptLength != scriptLength || other.hits.size() != hits.size()) return false;
  for (size_t i = 0; i < hits.size(); ++i) {
    if (other.hits[i] > 0 && hits[i] == 0) ++linesRun;
    hits[i] += other.hits[i];
  }
  return true;
}

std::vector<CoveredFile> coveredFiles(const CoverageRecorder& rec, EngineSetUp setUp, std::string& error) {
  CheckResult check = checkGame(setUp);
  if (!rec.hits.empty() && check.lines.scriptLength != rec.scriptLength) {
    error = "the script changed on disk during the run";
    return {};
  }
  std::vector<CoveredFile> out;
  size_t offset = 0;  // first line of the file within the whole buffer
  for (const ScriptLines::File& f : check.lines.files) {
    std::vector<uint32_t> lines = f.statementLines;
    for (uint32_t l = 1; l <= f.lineCount; ++l) {
      size_t g = offset + l - 1;
      if (g < rec.hits.size() && rec.hits[g] > 0 && !std::binary_search(f.statementLines.begin(), f.statementLines.end(), l))
        lines.push_back(l);
    }
    std::sort(lines.begin(), lines.end());
    CoveredFile file;
    file.name = f.name;
    file.source = f.name;
    if (auto host = fs::resolve(f.name)) file.source = fs::absoluteHostPath(*host);
    for (uint32_t l : lines) {
      size_t g = offset + l - 1;
      file.lines.emplace_back(l, g < rec.hits.size() ? rec.hits[g] : 0);
    }
    out.push_back(std::move(file));
    offset += f.lineCount;
  }
  return out;
}

std::string coverageTracefile(const CoverageRecorder& rec, EngineSetUp setUp, CoverageTotals& totals,
                              std::string& error) {
  std::vector<CoveredFile> files = coveredFiles(rec, setUp, error);
  if (!error.empty()) return {};
  std::string out;
  for (const CoveredFile& f : files) {
    out += "TN:\nSF:" + f.source + "\n";
    uint64_t hit = 0;
    for (const auto& [l, n] : f.lines) {
      hit += n > 0;
      out += "DA:" + std::to_string(l) + "," + std::to_string(n) + "\n";
    }
    out += "LF:" + std::to_string(f.lines.size()) + "\nLH:" + std::to_string(hit) + "\nend_of_record\n";
    totals.lines += f.lines.size();
    totals.executed += hit;
  }
  return out;
}

bool writeCoverage(const CoverageRecorder& rec, EngineSetUp setUp, const std::string& path, std::FILE* err) {
  CoverageTotals totals;
  std::string error;
  std::string text = coverageTracefile(rec, setUp, totals, error);
  if (!error.empty()) {
    std::fprintf(err, "veloria: coverage not written: %s\n", error.c_str());
    return false;
  }
  if (!fs::writeHostFile(path, text.data(), text.size())) {
    std::fprintf(err, "veloria: cannot write %s\n", path.c_str());
    return false;
  }
  double percent = totals.lines == 0 ? 0.0 : 100.0 * static_cast<double>(totals.executed) / static_cast<double>(totals.lines);
  std::fprintf(err, "coverage: %s of %s lines (%.1f%%)\n", groupedNumber(totals.executed).c_str(), groupedNumber(totals.lines).c_str(),
               percent);
  return true;
}

}  // namespace veloria
