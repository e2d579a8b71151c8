// The player's answers to "may this game start this program?", remembered per game in the
// user's settings directory so that each program is asked about once.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace veloria {

// A record larger than this is not ours and is not read.
inline constexpr size_t kMaxConsentRecordBytes = 64 * 1024;

// Program (its path in the game directory, '/' separators, UTF-8) -> whether it may start.
using ProgramConsent = std::map<std::string, bool>;

// The record's text; parse gives nullopt for anything damaged or written for another game.
// A program name that holds a line break cannot be written down: it is left out (and asked
// about again next time).
std::string formatProgramConsent(const ProgramConsent& c, const std::string& gameDir);
std::optional<ProgramConsent> parseProgramConsent(const std::string& text, const std::string& gameDir);

// One file per game directory (an absolute path) under the settings directory.
std::string programConsentPath(const std::string& configDir, const std::string& gameDir);
// The remembered answer for one program; nullopt when it was never given (or the record is
// missing or damaged).
std::optional<bool> rememberedConsent(const std::string& configDir, const std::string& gameDir,
                                      const std::string& program);
// Adds an answer to the record (written whole and atomically); false when it cannot be kept.
bool rememberConsent(const std::string& configDir, const std::string& gameDir, const std::string& program,
                     bool allowed);

}  // namespace veloria
