#include "platform/program_consent.h"

#include <sstream>

#include "platform/files.h"
#include "platform/window_record.h"

namespace veloria {

namespace {

constexpr char kHeader[] = "# Veloria programs";

bool nameFits(const std::string& program) {
  return !program.empty() && program.find_first_of("\r\n") == std::string::npos;
}

std::optional<ProgramConsent> loadRecord(const std::string& path, const std::string& gameDir) {
  auto data = fs::readHostFileNoFollow(path, kMaxConsentRecordBytes);
  if (!data) return std::nullopt;
  return parseProgramConsent(std::string(data->begin(), data->end()), gameDir);
}

}  // namespace

std::string formatProgramConsent(const ProgramConsent& c, const std::string& gameDir) {
  std::ostringstream o;
  o << kHeader << "\n" << "game " << gameDir << "\n";
  for (const auto& [program, allowed] : c)
    if (nameFits(program)) o << (allowed ? "allow " : "deny ") << program << "\n";
  return o.str();
}

std::optional<ProgramConsent> parseProgramConsent(const std::string& text, const std::string& gameDir) {
  if (text.size() > kMaxConsentRecordBytes || gameDir.find('\n') != std::string::npos) return std::nullopt;
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return std::nullopt;
  // The game line comes first: answers given for another game never apply here.
  if (!std::getline(in, line) || line.rfind("game ", 0) != 0 || line.substr(5) != gameDir) return std::nullopt;
  ProgramConsent c;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    bool allowed = line.rfind("allow ", 0) == 0;
    if (!allowed && line.rfind("deny ", 0) != 0) return std::nullopt;
    std::string program = line.substr(allowed ? 6 : 5);
    if (!nameFits(program) || program.find('\r') != std::string::npos) return std::nullopt;
    c[program] = allowed;  // a later line wins
  }
  return c;
}

std::string programConsentPath(const std::string& configDir, const std::string& gameDir) {
  return perGameRecordPath(configDir, "programs", gameDir);
}

std::optional<bool> rememberedConsent(const std::string& configDir, const std::string& gameDir,
                                      const std::string& program) {
  auto c = loadRecord(programConsentPath(configDir, gameDir), gameDir);
  if (!c) return std::nullopt;
  auto it = c->find(program);
  if (it == c->end()) return std::nullopt;
  return it->second;
}

bool rememberConsent(const std::string& configDir, const std::string& gameDir, const std::string& program,
                     bool allowed) {
  if (!nameFits(program)) return false;
  const std::string path = programConsentPath(configDir, gameDir);
  if (!fs::makeDirectories(fs::joinHost(configDir, "programs"))) return false;
  ProgramConsent c = loadRecord(path, gameDir).value_or(ProgramConsent{});
  c[program] = allowed;
  const std::string text = formatProgramConsent(c, gameDir);
  if (text.size() > kMaxConsentRecordBytes) return false;
  return fs::writeHostFile(path, text.data(), text.size());
}

}  // namespace veloria
