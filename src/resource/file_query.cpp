// fileexist: whether a game file is there, loose or (with archive lookup on) in the archives.
#include <cstdint>
#include <string>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "resource/resource_internal.h"
#include "script/script.h"

namespace veloria {

namespace {

bool gameFileExists(Engine& e, std::string name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (isSjisLead(static_cast<uint8_t>(name[i])) && i + 1 < name.size()) {
      ++i;  // a second byte may look like '/'
      continue;
    }
    if (name[i] == '/') name[i] = '\\';
  }
  // Only names inside the game folder are answered: an absolute name or a ".." step is 0.
  if (!fs::staysInGame(name)) return false;
  if (auto host = fs::resolve(name)) {
    auto stamp = fs::hostStamp(*host);
    if (stamp && stamp->regular) return true;
  }
  return findInArchives(e, name).has_value();
}

void cmdFileexist(Engine& e, std::string_view, bool) {
  const int32_t index = readNumVarRef(e, "fileexistの第一引数は数字変数です。");
  expectComma(e);
  const std::string name = readString(e);
  setNumVar(e, index, gameFileExists(e, name) ? 1 : 0);
}

}  // namespace

void registerFileQueryCommands(CommandTable& t) {
  t.add("fileexist", cmdFileexist, {.pattern = "%,s", .messages = {"fileexistの第一引数は数字変数です。"}});
}

}  // namespace veloria
