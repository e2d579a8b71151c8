// Running the checker on a one-file game and reading its findings, for the checker's tests.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands.h"
#include "check/checker.h"
#include "script/script_harness.h"

namespace veloria::test {

// The game in `dir` with `utf8` as its only script file; the findings as printed.
inline std::vector<std::string> check(GameDir& dir, std::string_view utf8) {
  dir.write("0.txt", sjisOf(utf8));
  std::vector<std::string> out;
  for (const CheckFinding& f : checkGame(setUpEngine).findings) out.push_back(formatFinding(f));
  return out;
}

inline std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

// True when some finding starts with `where` ("0.txt:3: ") and contains `text`.
inline bool has(const std::vector<std::string>& findings, const std::string& where, const std::string& text) {
  return std::any_of(findings.begin(), findings.end(), [&](const std::string& f) {
    return f.rfind(where, 0) == 0 && f.find(text) != std::string::npos;
  });
}

}  // namespace veloria::test
