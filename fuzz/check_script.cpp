// Checks arbitrary bytes as a script without running them. Every input must end in a list of
// findings: never a crash, a hang, or a read outside the script buffer; the define-block walk
// and the number of findings are bounded whatever the input.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

#include "app/commands.h"
#include "check/checker.h"
#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An empty game directory: every media file named is missing, which the checker reports.
  static const std::string dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("veloria-fuzz-check-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d.string();
  }();
  veloria::fs::setGameDirectory(dir);
  veloria::checkScriptBytes(veloria::setUpEngine, std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
