// The house rules of the source tree, checked on the sources themselves: each folder stands on
// the floors below it and includes nothing built on it, and no subsystem writes another
// one's state directly (it calls that subsystem's functions).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
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

// The floors, bottom up, and what each may include besides itself (README, "For developers").
const std::map<std::string, std::set<std::string>>& floors() {
  static const std::map<std::string, std::set<std::string>> f = [] {
    const std::vector<std::string> order = {"platform", "engine", "script", "resource", "sound",
                                            "graphics", "text",   "save",   "ui",       "check", "app"};
    std::map<std::string, std::set<std::string>> m;
    for (size_t i = 0; i < order.size(); ++i) m[order[i]] = std::set<std::string>(order.begin(), order.begin() + i);
    return m;
  }();
  return f;
}

// The includes that still point up a floor, each a knot README explains. A new one fails the
// test; one that is untied must leave this list.
const std::set<std::pair<std::string, std::string>> kKnots = {
    // Graphics commands hide the text window; composition draws it (and prnum's digits) with
    // text's glyphs; csel buttons show the choice texts.
    {"graphics/button_waits.cpp", "text/text.h"},
    {"graphics/buttons.cpp", "text/text.h"},
    {"graphics/compose.cpp", "text/glyph_blend.h"},
    {"graphics/compose.cpp", "text/glyph_font.h"},
    {"graphics/compose.cpp", "text/text.h"},
    {"graphics/enhanced_sprite_commands.cpp", "text/text.h"},
    {"graphics/scene_commands.cpp", "text/text.h"},
    {"graphics/sprites.cpp", "text/text.h"},
    // Saving is off while a choice is open and while the text routine types.
    {"text/choice_commands.cpp", "save/save.h"},
    {"text/type_text.cpp", "save/save.h"},
    // The right-click action: rgosub sets it, texec and the click waits read it.
    {"text/text_commands.cpp", "ui/ui.h"},
    {"text/wait_commands.cpp", "ui/ui.h"},
    {"text/waits.cpp", "ui/ui.h"},
};

TEST(SourceTree, EachFloorIncludesOnlyTheFloorsBelowIt) {
  const std::regex include(R"re(^\s*#\s*include\s+"([^"/]+)/[^"]+")re");
  const std::regex includePath(R"re(^\s*#\s*include\s+"([^"]+)")re");
  const auto files = sources();
  ASSERT_GT(files.size(), 50u) << "sources not found under " << kSource;
  std::set<std::pair<std::string, std::string>> knotsSeen;
  for (const SourceFile& f : files) {
    auto floor = floors().find(f.subsystem);
    ASSERT_NE(floor, floors().end()) << "src/" << f.subsystem << " is on no floor";
    for (size_t i = 0; i < f.lines.size(); ++i) {
      std::smatch m, path;
      if (!std::regex_search(f.lines[i], m, include)) continue;
      std::regex_search(f.lines[i], path, includePath);
      const std::string target = m[1];
      if (target == f.subsystem || floor->second.count(target)) continue;
      if (kKnots.count({f.name, path[1]})) {
        knotsSeen.insert({f.name, path[1]});
        continue;
      }
      ADD_FAILURE() << f.name << ":" << i + 1 << " includes " << path[1] << ", a floor above it";
    }
  }
  for (const auto& knot : kKnots)
    EXPECT_TRUE(knotsSeen.count(knot)) << knot.first << " no longer includes " << knot.second
                                       << ": take it off the list of knots";
}

// The states a line writes to: e.<state>.<field> = ..., compound assignments and ++/--
// after or before it, member calls that change a container or an object held in the state,
// and references that could write ("TextState& t = e.text;", "uint32_t& p =
// e.script.scriptPos;"). Comparisons, const references and copies only read.
std::vector<std::string> statesWritten(const std::string& line) {
  static const std::string state = R"((?:e|e_)(?:\.|->)(script|text|gfx|sound|save|ui|res|app))";
  static const std::string fields = R"(\.[A-Za-z_]\w*(?:\.\w+|\[[^\]]*\])*)";
  static const std::vector<std::regex> patterns = {
      std::regex(R"(\b)" + state + fields + R"(\s*(?:=(?!=)|\+=|-=|\|=|&=|\+\+|--))"),
      std::regex(R"((?:\+\+|--)\s*\b)" + state + fields),
      std::regex(R"(\b)" + state + fields +
                 R"(\.(?:clear|push_back|emplace_back|emplace|insert|erase|assign|resize|)"
                 R"(pop_back|push_front|pop_front|swap|fill|reset|shrink_to_fit|append|replace)\()"),
      std::regex(R"(^\s*(?:auto|[A-Za-z_][\w:<>]*)\s*&\s*\w+\s*=\s*\b)" + state + R"((?:\.\w+|\[[^\]]*\])*\s*;)"),
  };
  std::vector<std::string> out;
  for (const std::regex& p : patterns)
    for (auto it = std::sregex_iterator(line.begin(), line.end(), p); it != std::sregex_iterator(); ++it)
      out.push_back((*it)[1]);
  return out;
}

TEST(SourceTree, SubsystemsChangeEachOthersStateThroughFunctions) {
  const auto owner = [](const std::string& s) {
    if (s == "gfx") return std::string("graphics");
    if (s == "res") return std::string("resource");
    return s;
  };
  // Objects still handed over whole (README): the text log view draws on the display surface.
  const std::set<std::pair<std::string, std::string>> handedOver = {
      {"text/text_log_view.cpp", "e_.gfx.displaySurface"},
  };
  for (const SourceFile& f : sources()) {
    // The save-item table is the one place that puts every subsystem's saved fields back.
    if (f.name == "save/save_items.cpp") continue;
    for (size_t i = 0; i < f.lines.size(); ++i) {
      const std::string& line = f.lines[i];
      for (const std::string& s : statesWritten(line)) {
        // The shell's own state is the application's; every subsystem may end the run.
        if (s == "app" || owner(s) == f.subsystem) continue;
        bool allowed = false;
        for (const auto& [file, object] : handedOver)
          allowed = allowed || (f.name == file && line.find(object) != std::string::npos);
        if (!allowed) ADD_FAILURE() << f.name << ":" << i + 1 << " writes another subsystem's state: " << line;
      }
    }
  }
}

// The patterns see the writes they are meant to see, and no read.
TEST(SourceTree, TheWritePatternsSeeEveryFormOfWrite) {
  for (const char* w : {"  e.script.scriptPos = 3;", "  ++e.script.scriptPos;", "  e.text.linkCount += 2;",
                        "  e_->script.checkingMode = true;", "  e.script.scriptBuffer.clear();",
                        "  e.gfx.sprites[n].image.name.assign(x);", "  uint32_t& p = e.script.scriptPos;",
                        "  TextState& t = e.text;"})
    EXPECT_EQ(statesWritten(w).size(), 1u) << w;
  for (const char* r : {"  if (e.script.scriptPos == 3) return;", "  const auto& s = e.script;",
                        "  uint32_t p = e.script.scriptPos;", "  f(e.text.linkCount);"})
    EXPECT_TRUE(statesWritten(r).empty()) << r;
}

}  // namespace
