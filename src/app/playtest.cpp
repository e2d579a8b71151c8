#include "app/playtest.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <tuple>

#include "app/app.h"
#include "app/autoplay_strategy.h"
#include "check/coverage.h"
#include "platform/json_writer.h"
#include "engine/engine.h"
#include "graphics/picture_cache.h"
#include "platform/files.h"
#include "platform/headless/autoplay_port.h"
#include "platform/persistent_redirect.h"
#include "platform/platform.h"
#include "platform/text_codec.h"

namespace veloria {

namespace {

const char* endName(RunEnd end) {
  switch (end) {
    case RunEnd::End: return "end";
    case RunEnd::Error: return "error";
    case RunEnd::Timeout: return "timeout";
    case RunEnd::Stall: return "stall";
  }
  return "end";
}

// "1:02:03" or "2:03" of virtual time.
std::string clockText(uint32_t ms) {
  const uint32_t s = ms / 1000;
  char buf[32];
  if (s >= 3600) std::snprintf(buf, sizeof buf, "%u:%02u:%02u", s / 3600, s / 60 % 60, s % 60);
  else std::snprintf(buf, sizeof buf, "%u:%02u", s / 60, s % 60);
  return buf;
}

// The script error a run ended with: the report's text is the message, a blank line, then
// "0.txt line:12" and the excerpt.
PlaytestResult::Error errorOf(const ScriptErrorRecord& record) {
  PlaytestResult::Error out;
  const std::string text = sjisToUtf8(record.message);
  const size_t blank = text.find("\n\n");
  out.message = text.substr(0, blank);
  if (out.message.empty()) out.message = sjisToUtf8(record.caption);
  if (blank == std::string::npos) return out;
  const size_t from = blank + 2;
  const std::string where = text.substr(from, text.find('\n', from) - from);
  const size_t at = where.rfind(" line:");
  if (at == std::string::npos) return out;
  out.file = where.substr(0, at);
  out.line = static_cast<uint32_t>(std::strtoul(where.c_str() + at + 6, nullptr, 10));
  return out;
}

// Runs of statement lines no run reached, a range per unbroken stretch of them.
std::vector<PlaytestResult::Range> unreachedRanges(const std::vector<CoveredFile>& files, uint64_t& total,
                                                  uint64_t& reached) {
  std::vector<PlaytestResult::Range> out;
  for (const CoveredFile& f : files) {
    bool open = false;
    for (const auto& [line, hits] : f.lines) {
      ++total;
      if (hits > 0) {
        ++reached;
        open = false;
      } else if (open) {
        out.back().last = line;
      } else {
        out.push_back(PlaytestResult::Range{f.name, line, line});
        open = true;
      }
    }
  }
  return out;
}

std::string rangeText(const PlaytestResult::Range& r) {
  std::string s = r.file + ":" + std::to_string(r.first);
  if (r.last != r.first) s += "-" + std::to_string(r.last);
  return s;
}

// The scratch folder the runs keep the player's files in, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    char tmpl[] = "/tmp/veloria-playtest-XXXXXX";
    if (char* d = ::mkdtemp(tmpl)) path_ = d;
    if (!path_.empty()) fs::redirectPersistentFiles(path_);
  }
  ~ScratchFolder() {
    if (path_.empty()) return;
    fs::redirectPersistentFiles(std::nullopt);
    fs::removeTree(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  bool ok() const { return !path_.empty(); }

 private:
  std::string path_;
};

}  // namespace

PlaytestResult runPlaytest(const PlaytestOptions& o, std::FILE* progress) {
  PlaytestResult result;
  ScratchFolder scratch;
  if (!scratch.ok()) {
    result.exitCode = kExitUsage;
    result.failure = "cannot create a scratch folder for the player's files";
    return result;
  }
  // A picture decodes the same in every run: once is enough.
  setPictureCacheEnabled(true);
  struct CacheOff {
    ~CacheOff() { setPictureCacheEnabled(false); }
  } cacheOff;
  auto explore = std::make_shared<ExploreStrategy>();
  CoverageRecorder merged;
  std::map<std::tuple<std::string, uint32_t, std::string>, size_t> errorIndex;

  for (int n = 1; n <= o.runs; ++n) {
    CoverageRecorder lines;
    bool stalled = false;
    HeadlessOptions h;
    h.autoplay = true;
    h.timeoutMs = o.timeoutMs;
    auto platform = makeHeadlessPlatform(h);
    // Stalled: no line this run had not run yet for the stall time.
    setClockWatch(*platform, [&](uint32_t nowMs) {
      if (stalled || nowMs - lines.lastNewLineMs < o.stallMs) return;
      stalled = true;
      throw ProcessExit{kExitNormal};
    });

    AppOptions app;
    app.gameDir = o.gameDir;
    app.autoplay = true;
    app.autoplayStrategy = explore;
    app.coverage = &lines;
    app.scriptOptions = o.scriptOptions;
    ScriptErrorRecord error;
    app.beforeExit = [&](Engine& e) { error = e.app.error; };
    const size_t pairsBefore = explore->pairsTaken();
    const uint64_t linesBefore = merged.linesRun;
    const int code = runApplication(*platform, app);

    PlaytestResult::Run run;
    run.virtualMs = platform->timeGetTime();
    if (code != kExitNormal && code != kExitScriptError && code != kExitTimeout) {
      result.exitCode = code;
      result.failure = "the game could not be played (exit code " + std::to_string(code) + ")";
      return result;
    }
    run.end = stalled                     ? RunEnd::Stall
              : code == kExitScriptError ? RunEnd::Error
              : code == kExitTimeout     ? RunEnd::Timeout
                                         : RunEnd::End;
    if (!merged.merge(lines)) {
      result.exitCode = kExitUsage;
      result.failure = "the script changed on disk during the play-test";
      return result;
    }
    run.newLines = merged.linesRun - linesBefore;
    for (uint64_t hits : lines.hits) run.linesExecuted += hits;
    run.newOptions = explore->pairsTaken() - pairsBefore;
    std::string what = endName(run.end);
    if (run.end == RunEnd::Error) {
      result.exitCode = kExitScriptError;
      PlaytestResult::Error err = errorOf(error);
      err.run = n;
      what = "script error at " + err.file + ":" + std::to_string(err.line);
      auto [it, fresh] = errorIndex.try_emplace({err.file, err.line, err.message}, result.errors.size());
      if (fresh) result.errors.push_back(std::move(err));
    }
    result.runs.push_back(run);
    if (progress) {
      std::fprintf(progress, "playtest: run %d: %s after %s virtual, %s new lines, %s new options\n", n, what.c_str(),
                   clockText(run.virtualMs).c_str(), groupedNumber(run.newLines).c_str(),
                   groupedNumber(run.newOptions).c_str());
      std::fflush(progress);
    }
    if (run.newLines == 0 && run.newOptions == 0) break;
  }

  for (const auto& [pos, place] : explore->places()) {
    PlaytestResult::Choice c;
    c.file = place.file;
    c.line = place.line;
    for (const ExploreStrategy::Option& opt : place.options) {
      c.options.push_back(opt.label);
      if (opt.taken == 0) c.neverTaken.push_back(opt.label);
    }
    result.choices.push_back(std::move(c));
  }
  std::string why;
  fs::setGameDirectory(o.gameDir);
  std::vector<CoveredFile> files = coveredFiles(merged, setUpEngine, why);
  result.neverReached = unreachedRanges(files, result.lines, result.linesReached);
  if (!o.coverageFile.empty()) writeCoverage(merged, setUpEngine, o.coverageFile, stderr);
  return result;
}

std::string playtestSummary(const PlaytestResult& r) {
  size_t explored = 0;
  for (const auto& c : r.choices) explored += c.neverTaken.empty();
  double percent = r.lines == 0 ? 100.0 : 100.0 * static_cast<double>(r.linesReached) / static_cast<double>(r.lines);
  // One decimal, and never "100.0%" while a line is missing.
  percent = std::round(percent * 10) / 10;
  if (r.linesReached < r.lines && percent > 99.9) percent = 99.9;
  char pct[16];
  std::snprintf(pct, sizeof pct, "%.1f", percent);
  auto count = [](uint64_t n, const char* one, const char* many) {
    return groupedNumber(n) + " " + (n == 1 ? one : many);
  };
  std::string s = "playtest: " + count(r.runs.size(), "run", "runs") + ", " + groupedNumber(r.linesReached) + " of " +
                  count(r.lines, "script line", "script lines") + " (" + pct + "%), " + groupedNumber(explored) +
                  " of " + count(r.choices.size(), "choice", "choices") + " fully explored, " +
                  count(r.errors.size(), "error", "errors") + "\n";
  // At a glance: the first few stretches; the report lists them all.
  constexpr size_t kShown = 10;
  s += "  never reached: ";
  if (r.neverReached.empty()) s += "none";
  for (size_t i = 0; i < r.neverReached.size() && i < kShown; ++i) s += (i ? ", " : "") + rangeText(r.neverReached[i]);
  if (r.neverReached.size() > kShown) s += ", ... (" + groupedNumber(r.neverReached.size() - kShown) + " more)";
  s += "\n  errors: ";
  if (r.errors.empty()) s += "none\n";
  for (size_t i = 0; i < r.errors.size(); ++i) {
    const auto& e = r.errors[i];
    if (i) s += "          ";
    s += e.file + ":" + std::to_string(e.line) + ": " + e.message + " (run " + std::to_string(e.run) + ")\n";
  }
  return s;
}

std::string playtestJson(const PlaytestResult& r) {
  JsonWriter w;
  w.beginObject();
  w.key("runs").beginArray();
  for (size_t i = 0; i < r.runs.size(); ++i) {
    const auto& run = r.runs[i];
    w.beginObject();
    w.key("run").value(static_cast<int64_t>(i + 1));
    w.key("end").value(endName(run.end));
    w.key("virtualMs").value(run.virtualMs);
    w.key("newLines").value(static_cast<int64_t>(run.newLines));
    w.key("newOptions").value(static_cast<int64_t>(run.newOptions));
    w.endObject();
  }
  w.endArray();
  w.key("lines").beginObject();
  w.key("total").value(static_cast<int64_t>(r.lines));
  w.key("reached").value(static_cast<int64_t>(r.linesReached));
  w.endObject();
  w.key("errors").beginArray();
  for (const auto& e : r.errors) {
    w.beginObject();
    w.key("file").value(e.file);
    w.key("line").value(e.line);
    w.key("message").value(e.message);
    w.key("run").value(e.run);
    w.endObject();
  }
  w.endArray();
  w.key("choices").beginArray();
  for (const auto& c : r.choices) {
    w.beginObject();
    w.key("file").value(c.file);
    w.key("line").value(c.line);
    w.key("options").beginArray();
    for (const auto& o : c.options) w.value(o);
    w.endArray();
    w.key("neverTaken").beginArray();
    for (const auto& o : c.neverTaken) w.value(o);
    w.endArray();
    w.endObject();
  }
  w.endArray();
  w.key("neverReached").beginArray();
  for (const auto& g : r.neverReached) {
    w.beginObject();
    w.key("file").value(g.file);
    w.key("first").value(g.first);
    w.key("last").value(g.last);
    w.endObject();
  }
  w.endArray();
  w.key("exitCode").value(r.exitCode);
  w.endObject();
  return w.str() + "\n";
}

int playtestCommand(const PlaytestOptions& options) {
  PlaytestResult r = runPlaytest(options, stderr);
  if (!r.failure.empty()) {
    std::fprintf(stderr, "veloria: playtest: %s\n", r.failure.c_str());
    return r.exitCode;
  }
  const std::string summary = playtestSummary(r);
  std::fputs(summary.c_str(), stdout);
  std::fflush(stdout);
  if (!options.reportFile.empty()) {
    const std::string json = playtestJson(r);
    if (!fs::writeHostFile(options.reportFile, json.data(), json.size()))
      std::fprintf(stderr, "veloria: cannot write %s\n", options.reportFile.c_str());
  }
  return r.exitCode;
}

}  // namespace veloria
