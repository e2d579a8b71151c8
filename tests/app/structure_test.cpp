// The house rules of the source tree, checked on the sources themselves: the lower layers do
// not include the subsystems built on them, and no subsystem writes another one's state
// directly (it calls that subsystem's functions).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = fs::path(VELORIA_TEST_DIR).parent_path() / "src";

struct SourceFile {
  std::string subsystem;  // the folder under src/
  std::string name;       // path under src/
  std::vector<std::string> lines;
};

std::vector<SourceFile> sources() {
  std::vector<SourceFile> out;
  for (const auto& entry : fs::recursive_directory_iterator(kSource)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    SourceFile f;
    f.name = fs::relative(entry.path(), kSource).generic_string();
    f.subsystem = f.name.substr(0, f.name.find('/'));
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) f.lines.push_back(line);
    out.push_back(std::move(f));
  }
  return out;
}

TEST(SourceTree, LowerLayersDoNotIncludeWhatIsBuiltOnThem) {
  // What each lower layer may include besides itself. The engine and shell headers are the
  // hub every command sees (the Engine holds every subsystem's state).
  struct Layer {
    std::string subsystem;
    std::vector<std::string> allowed;
  };
  const std::vector<Layer> layers = {
      {"platform", {}},
      {"script", {"platform/", "engine/", "app/app.h"}},
      {"resource", {"platform/", "engine/", "script/", "app/app.h"}},
  };
  const std::regex include(R"re(^\s*#\s*include\s+"([^"]+)")re");
  const auto files = sources();
  ASSERT_GT(files.size(), 50u) << "sources not found under " << kSource;
  for (const SourceFile& f : files) {
    for (const Layer& layer : layers) {
      if (f.subsystem != layer.subsystem) continue;
      for (size_t i = 0; i < f.lines.size(); ++i) {
        std::smatch m;
        if (!std::regex_search(f.lines[i], m, include)) continue;
        const std::string target = m[1];
        if (target.rfind(layer.subsystem + "/", 0) == 0) continue;
        bool ok = false;
        for (const std::string& a : layer.allowed) ok = ok || target.rfind(a, 0) == 0;
        EXPECT_TRUE(ok) << f.name << ":" << i + 1 << " includes " << target;
      }
    }
  }
}

TEST(SourceTree, SubsystemsChangeEachOthersStateThroughFunctions) {
  // e.<state>.<field> = ..., compound assignments and ++/--; comparisons do not count.
  const std::regex write(
      R"(\be_?\.(script|text|gfx|sound|save|ui|res|app)\.[A-Za-z_]\w*(?:\.\w+|\[[^\]]*\])*\s*(?:=(?!=)|\+=|-=|\|=|&=|\+\+|--))");
  // A reference that could write: "TextState& t = e.text;" (a const one only reads).
  const std::regex writableAlias(R"(^\s*(?:auto|[A-Z]\w*State)\s*&\s*\w+\s*=\s*e_?\.(script|text|gfx|sound|save|ui|res)\s*;)");
  const auto owner = [](const std::string& state) {
    if (state == "gfx") return std::string("graphics");
    if (state == "res") return std::string("resource");
    return state;
  };
  for (const SourceFile& f : sources()) {
    // The save-item table is the one place that puts every subsystem's saved fields back.
    if (f.name == "save/save_items.cpp") continue;
    for (size_t i = 0; i < f.lines.size(); ++i) {
      const std::string& line = f.lines[i];
      std::smatch alias;
      if (std::regex_search(line, alias, writableAlias) && owner(alias[1]) != f.subsystem)
        ADD_FAILURE() << f.name << ":" << i + 1 << " holds another subsystem's state for writing: " << line;
      for (auto it = std::sregex_iterator(line.begin(), line.end(), write); it != std::sregex_iterator(); ++it) {
        const std::string state = (*it)[1];
        // The shell's own state is the application's; every subsystem may end the run.
        if (state == "app") continue;
        EXPECT_EQ(owner(state), f.subsystem) << f.name << ":" << i + 1 << ": " << line;
      }
    }
  }
}

}  // namespace
