// The checker's own pieces: the checks of its own for the commands a pattern cannot say,
// and the checking engine the three passes share (not part of the script engine's interface).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "check/checker.h"
#include "engine/command_table.h"

namespace veloria {

struct Engine;
class Platform;
class ScriptChecker;

// Reads a command's arguments itself, for the commands whose row says kOwnCheck
// (engine/command_table.h).
using CustomCheck = void (*)(ScriptChecker& c, std::string_view word);
using CustomChecks = std::unordered_map<std::string_view, CustomCheck>;

// The checks of each area, by command word: flow_checks.cpp, text_checks.cpp,
// graphics_checks.cpp, system_checks.cpp.
void addFlowChecks(CustomChecks& m);
void addTextChecks(CustomChecks& m);
void addGraphicsChecks(CustomChecks& m);
void addSystemChecks(CustomChecks& m);
// All of them; null when a word has none.
CustomCheck findCustomCheck(std::string_view word);
// An English gloss for one of the engine's Japanese messages (UTF-8), or empty.
std::string_view glossFor(std::string_view utf8Message);

// How a statement moves on, as far as the checker can prove it.
struct Flow {
  enum Kind { Next, Jump, Call, Return, Conditional, Stop, GameStarts };
  Kind kind = Next;
  std::vector<uint32_t> targets;  // Jump, Call: script positions
};

class ScriptChecker {
 public:
  explicit ScriptChecker(EngineSetUp setUp, const ScriptOptions& options = {});
  ~ScriptChecker();
  ScriptChecker(const ScriptChecker&) = delete;
  ScriptChecker& operator=(const ScriptChecker&) = delete;

  // Load as the engine does (from the game directory), or one script file's bytes.
  void loadFromGame();
  void loadFromBytes(std::string_view sjis);
  CheckResult run();

  Engine& engine() { return *e_; }

  // ---- used by the patterns and the checks of their own: each reads one argument at scriptPos ----
  // Numbers and strings; `isStatic` tells whether the value is known without running
  // (a literal or an alias).
  int32_t number(bool* isStatic = nullptr);
  std::string string(bool* isStatic = nullptr);
  // A sprite number; `allowAll`: -1 (every sprite) is one too.
  void spriteNumber(bool allowAll = false);
  // A label reference: must name a label; its position, or nullopt when it is a variable.
  std::optional<uint32_t> label();
  void colour(const CommandArgs& args);
  void picture();
  void media(const char* kind);  // kind: "sound", "movie", ... (for the gloss)
  void effectArgument();
  // Reads the arguments by the row's pattern.
  void readPattern(const CommandArgs& args);
  // The file name of a picture (tag taken off) or any other media file, named at `pos`.
  void checkMediaFile(uint32_t pos, const std::string& name, bool picture, const char* kind);
  // A problem at `pos` (UTF-8 text).
  void finding(uint32_t pos, std::string utf8);
  // Records a `%NAME` / `$NAME` at scriptPos (after blanks) for the alias-kind check.
  void noteVariableAlias();
  void defineEffect(int32_t number, bool isStatic);

  bool definePass() const { return definePass_; }
  Flow& flow() { return flow_; }
  uint8_t byteAt(uint32_t pos) const;
  uint32_t pos() const;
  bool hasTildeAfter(uint32_t pos) const;
  bool hasTildeBefore(uint32_t pos) const;
  // The number of line feeds at positions [from, to).
  uint32_t lineFeedsBetween(uint32_t from, uint32_t to) const;
  uint32_t totalLineFeeds() const { return static_cast<uint32_t>(lineFeeds_.size()); }

 private:
  enum class Pass { Define, Collect, Report };

  void buildLineIndex();
  void scanLabels();
  void walkDefineBlock();
  void walkLinear(Pass pass);
  // One statement at scriptPos; returns how it moves on. Reader errors are thrown.
  Flow statement(Pass pass, uint32_t& statementPos);
  void command(Pass pass, const std::string& spelled, uint32_t wordPos);
  void userCommandCall(const std::string& word);
  void storyText(Pass pass);
  void record(const ScriptCheckError& err, uint32_t pos);
  void skipToLineEnd();
  void finishEffects();
  void finishAliases();
  bool mediaExists(const std::string& name);
  CheckFinding locate(uint32_t pos, std::string message) const;
  ScriptLines statementLines() const;

  std::unique_ptr<Platform> platform_;
  std::unique_ptr<Engine> e_;
  Pass pass_ = Pass::Report;
  bool definePass_ = false;
  Flow flow_;
  bool loaded_ = false;
  bool loadFailed_ = false;

  std::vector<uint32_t> lineFeeds_;  // positions of every line feed, ascending
  int64_t firstTilde_ = -1, lastTilde_ = -1;
  std::unordered_set<uint32_t> aliasStatementsRun_;  // numalias/stralias/defsub already run
  std::unordered_set<uint32_t> defsubsInDefineBlock_;  // defsub statements the define walk reached
  bool sawArchiveSwitch_ = false;  // vla: archive lookup is on
  bool sawArchivePlugin_ = false;  // arc: members we cannot look into
  bool sawTextGosub_ = false;

  struct EffectUse {
    uint32_t pos;
    int32_t number;
  };
  std::unordered_set<int32_t> definedEffects_;
  bool dynamicEffectDefinition_ = false;
  std::vector<EffectUse> effectUses_;

  struct AliasUse {
    uint32_t pos = 0;
    bool seen = false;
  };
  struct AliasKinds {
    AliasUse numeric, string;
  };
  std::unordered_map<std::string, AliasKinds> aliasUses_;

  std::unordered_map<std::string, bool> mediaCache_;
  std::vector<uint32_t> statementStarts_;  // Report pass, ascending
  std::vector<CheckFinding> findings_;
  std::unordered_set<uint64_t> findingKeys_;  // position and message, to drop repeats
  bool truncated_ = false;
};

// How many findings one check keeps; a damaged script must not fill the memory.
inline constexpr size_t kMaxFindings = 10000;

}  // namespace veloria
