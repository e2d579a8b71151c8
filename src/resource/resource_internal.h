// Helpers shared by the resource subsystem's own files.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace veloria {

// The pattern with its "%s" replaced by `arg` (Shift-JIS both).
std::string formatMessage(const std::string& pattern, std::string_view arg);

// "left|right" split at the first '|' (registration makes sure there is one).
inline std::pair<std::string_view, std::string_view> splitPluginSetting(std::string_view s) {
  size_t bar = s.find('|');
  if (bar == std::string_view::npos) return {s, {}};
  return {s.substr(0, bar), s.substr(bar + 1)};
}

class CommandTable;
// fileexist (file_query.cpp).
void registerFileQueryCommands(CommandTable& t);

}  // namespace veloria
