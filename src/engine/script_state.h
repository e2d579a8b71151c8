// Script engine state: the script buffer and position, labels, variables, aliases, the call
// stack, the label and file logs, and the flags the interpreter loop polls.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace veloria {

inline constexpr size_t kScriptBufferSize = 5242880;  // bytes, the terminating 0 included
inline constexpr int kScriptFileCount = 100;          // 0.txt .. 99.txt
inline constexpr int32_t kMissingFileEnd = 9999999;   // fileEndTable entry of a missing file
inline constexpr size_t kMaxLabels = 5000;
// Variables of a base-language game: 0..4095, of which 0..199 are cleared by every reset.
inline constexpr int kVariableCount = 4096;
inline constexpr int kLocalVariableCount = 200;
// A game in the later dialect has 0..9999; the tables are always this large, and the index check
// uses the game's own count (variableCount).
inline constexpr int kMaxVariableCount = 10000;
inline constexpr size_t kMaxAliases = 4096;
inline constexpr int kCallStackSize = 1000;
inline constexpr size_t kMaxLogEntries = 4000;
inline constexpr size_t kMaxWordBytes = 254;
inline constexpr size_t kMaxLiteralBytes = 254;
// Longest string a variable or alias holds; longer results (add $) are cut at a character end.
inline constexpr size_t kMaxStringBytes = 4095;
// Longest story-text line handed to the text engine after expansion.
inline constexpr size_t kMaxTextLineBytes = 65535;

// The language a game is written in, decided once per load from its own script.
enum class Dialect : int32_t { Base = 0, Extended = 1 };

// Where the loaded script came from; decides how an error position is named.
enum class ScriptSource { None, TextFiles, VeloriaDat, VeloSecDat };

// Hashing that lets a std::string_view look up std::string keys without a copy.
struct StringHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
using NameIndex = std::unordered_map<std::string, uint32_t, StringHash, std::equal_to<>>;

struct Label {
  std::string name;  // lower-case, without '*'
  uint32_t pos = 0;  // where execution continues after a jump
};

struct NumAlias {
  std::string name;
  int32_t value = 0;
};
struct StrAlias {
  std::string name;
  std::string value;
};

// A log of names (label log, file log): entries are kept in the order they were first
// added, at most kMaxLogEntries, with an index for fast membership tests. Entries are stored
// normalised (ASCII letters upper-cased, '/' turned into '\'); see normalizeLogName.
class NameLog {
 public:
  // Adds an already normalised name unless present or the log is full; true when added.
  bool push_back(std::string normalised) {
    if (entries_.size() >= kMaxLogEntries || index_.count(normalised)) return false;
    index_.insert(normalised);
    entries_.push_back(std::move(normalised));
    return true;
  }
  bool contains(std::string_view normalised) const { return index_.find(normalised) != index_.end(); }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const std::string& operator[](size_t i) const { return entries_[i]; }
  std::vector<std::string>::const_iterator begin() const { return entries_.begin(); }
  std::vector<std::string>::const_iterator end() const { return entries_.end(); }
  void clear() {
    entries_.clear();
    index_.clear();
  }

 private:
  std::vector<std::string> entries_;
  std::unordered_set<std::string, StringHash, std::equal_to<>> index_;
};

// What a call-stack frame is: a subroutine's return (gosub and every base push), a user
// command's call, or a counted loop.
enum class FrameKind : int32_t { Gosub = 0, UserCommand = 1, Loop = 2 };

struct CallFrame {
  FrameKind kind = FrameKind::Gosub;
  // Gosub: the return position. UserCommand: where the caller's arguments continue.
  // Loop: the start of the loop body.
  uint32_t pos = 0;
  int32_t argsRead = 0;             // UserCommand: getparam has read (some of) the arguments
  int32_t var = 0, end = 0, step = 0;  // Loop: the variable's index, the end value, the step
};

// The call stack, shared with the text routines, choices, saves and the right-click menu.
struct CallStack {
  std::array<CallFrame, kCallStackSize> entries{};  // bottom first
  int32_t depth = 0;
  // Entries below this index are as they were when the save point last looked (a save point
  // copies only the ones above).
  int32_t unchangedBelow = 0;

  bool full() const { return depth >= kCallStackSize; }
  // False (and nothing stored) when the stack is full: callers report their own message.
  bool push(const CallFrame& f) {
    if (depth < 0) depth = 0;
    if (full()) return false;
    entries[static_cast<size_t>(depth++)] = f;
    return true;
  }
  bool push(uint32_t pos) { return push(CallFrame{FrameKind::Gosub, pos}); }
  // False when the stack is empty.
  bool pop(CallFrame& f) {
    if (depth <= 0) {
      depth = 0;
      unchangedBelow = 0;
      return false;
    }
    f = entries[static_cast<size_t>(--depth)];
    if (depth < unchangedBelow) unchangedBelow = depth;
    return true;
  }
  // The top frame; null when the stack is empty. Commands that change a frame through it are
  // never script-only, so the next save point takes the whole state again.
  CallFrame* top() { return depth > 0 ? &entries[static_cast<size_t>(depth - 1)] : nullptr; }
  // Drops the frames from `d` up.
  void cutTo(int32_t d) {
    depth = std::clamp(d, 0, depth);
    if (depth < unchangedBelow) unchangedBelow = depth;
  }
  void clear() {
    depth = 0;
    unchangedBelow = 0;
  }
};

// The variables written since the save point last looked, each listed once, so that keeping a
// save point costs what changed rather than the whole store (a save keeps 0..199, and in the
// later dialect the game's own variables up to its border). Filled by the range-checked write
// access of the variable store.
class WrittenVariables {
 public:
  static constexpr int32_t kTracked = kMaxVariableCount;
  void note(int32_t index, bool isString) {
    if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(kTracked)) return;
    const uint8_t bit = isString ? 2 : 1;
    uint8_t& mark = marks_[static_cast<size_t>(index)];
    if (mark & bit) return;
    mark |= bit;
    list_[count_++] = static_cast<uint16_t>(isString ? index + kTracked : index);
  }
  // Calls fn(index, isString) for each written variable, in the order first written.
  template <class Fn>
  void forEach(Fn&& fn) const {
    for (size_t i = 0; i < count_; ++i) {
      const int32_t k = list_[i];
      fn(k % kTracked, k >= kTracked);
    }
  }
  bool empty() const { return count_ == 0; }
  void clear() {
    for (size_t i = 0; i < count_; ++i) marks_[list_[i] % kTracked] = 0;
    count_ = 0;
  }

 private:
  std::array<uint8_t, kTracked> marks_{};  // bit 0 numeric, bit 1 string
  std::array<uint16_t, 2 * kTracked> list_{};
  size_t count_ = 0;
};

// A numbered array of the extended dialect: dimension d holds the indices 0..sizes[d].
struct ScriptArray {
  std::vector<int32_t> sizes;  // the declared d of each dimension
  std::vector<int32_t> values;
};
inline constexpr int32_t kArrayCount = 10000;
inline constexpr size_t kMaxArrayDimensions = 8;
inline constexpr size_t kMaxArrayElements = 1000000;
inline constexpr size_t kMaxAllArrayElements = 16000000;
inline constexpr size_t kMaxUserCommands = 1000;

// Per-variable bounds. Only variables that carry bounds are visited when they are applied.
class IntLimits {
 public:
  IntLimits() { clear(); }
  void clear() {
    low_.fill(-1);
    high_.fill(-1);
    limited_.clear();
  }
  // high == -1 removes the bounds of `index` (0..9999).
  void set(int index, int32_t low, int32_t high);
  int32_t low(int index) const { return low_[static_cast<size_t>(index)]; }
  int32_t high(int index) const { return high_[static_cast<size_t>(index)]; }
  // Clamps every bounded variable of `vars` into its bounds; changed(i) for each one moved.
  template <class Changed>
  void apply(std::array<int32_t, kMaxVariableCount>& vars, Changed&& changed) const {
    for (int i : limited_) {
      int32_t& v = vars[static_cast<size_t>(i)];
      const int32_t before = v;
      if (v > high_[static_cast<size_t>(i)]) v = high_[static_cast<size_t>(i)];
      if (v < low_[static_cast<size_t>(i)]) v = low_[static_cast<size_t>(i)];
      if (v != before) changed(i);
    }
  }

 private:
  std::array<int32_t, kMaxVariableCount> low_;
  std::array<int32_t, kMaxVariableCount> high_;
  std::vector<int> limited_;  // indices whose upper bound is not -1, ascending
};

// The click trap: armed, stopped (trap stop), or stopped with a click remembered.
enum class TrapState : int32_t { Armed = 0, Stopped = 1, StoppedClicked = 2 };
// The wait a right-click routine interrupted, made again when the routine returns.
enum class InterruptedWait : int32_t { ClickWait = 0, PageWait = 1, Choice = 2 };

// What the command line asks of every game of the run; the engine's resets leave it alone.
struct ScriptOptions {
  bool forceDialect = false;  // --dialect: `forcedDialect` holds, whatever the script says
  Dialect forcedDialect = Dialect::Base;
  bool lenient = false;  // --lenient: guess (with a warning) where the script would stop
};

struct ScriptState {
  ScriptOptions options;
  // ---- the dialect, decided by loadScript ----
  Dialect dialect = Dialect::Base;
  // The first global variable (";value" on the first line of an extended game); 200 otherwise.
  int32_t globalBorder = kLocalVariableCount;
  // Warnings already written this run, by script position, so a loop does not repeat one.
  std::unordered_set<uint32_t> warnedPositions;

  // ---- the loaded script ----
  std::vector<uint8_t> scriptBuffer;  // the whole script, 0-terminated (and 0-padded)
  uint32_t scriptPos = 0;
  uint32_t scriptLength = 0;  // position of the terminating 0
  std::array<int32_t, kScriptFileCount> fileEndTable{};
  ScriptSource source = ScriptSource::None;
  std::vector<Label> labels;
  NameIndex labelIndex;  // name -> first entry of `labels`

  // ---- variables and aliases ----
  std::array<int32_t, kMaxVariableCount> numVars{};
  std::array<std::string, kMaxVariableCount> strVars;
  IntLimits intLimits;
  WrittenVariables writtenVariables;
  std::vector<NumAlias> numAliases;
  NameIndex numAliasIndex;
  std::vector<StrAlias> strAliases;
  NameIndex strAliasIndex;
  uint32_t randomState = 1;  // the one pseudo-random generator (rnd, rnd2)
  // Where date and time read the local clock; empty = the real one (tests set a fixed time).
  std::function<std::tm()> localTimeSource;

  // ---- arrays and user commands: made by the define block, kept until the engine starts anew ----
  std::unordered_map<int32_t, ScriptArray> arrays;
  size_t arrayElements = 0;  // in all arrays together
  std::unordered_set<std::string, StringHash, std::equal_to<>> userCommands;

  // ---- control flow ----
  CallStack callStack;
  int32_t gameStarted = 0;
  int32_t resetRequested = 0;
  // Set while the right-click subroutine runs; `return` then makes the interrupted wait again.
  int32_t rgosubTaken = 0;
  InterruptedWait interruptedWaitKind = InterruptedWait::ClickWait;
  // The right-click routine returned: the interpreter makes the interrupted wait again.
  bool waitToResume = false;
  // textgosub is on: '@' and '\' end a story-text line (set by the text commands).
  int32_t textGosubOn = 0;
  // usewheel / useescspc: the wheel, and Esc and Space, become inputs of the waits.
  int32_t wheelInput = 0;
  int32_t escSpaceInput = 0;
  // language: the word the game gave ("english" / "japanese"); recorded only.
  std::string language;
  // pretextgosub: the routine called before a story-text line that begins a script line.
  // While it runs (its frame still on the stack) text does not call it again; when its
  // return brings the interpreter back to `preTextPos`, that line is typed without it.
  std::string preTextGosubLabel;
  bool preTextRunning = false;
  uint32_t preTextPos = 0;
  int32_t preTextDepth = 0;

  // ---- click trap: set by the text subsystem's trap commands, polled between statements ----
  std::string pendingTrapLabel;  // empty = no trap
  TrapState trapState = TrapState::Armed;
  int32_t lrTrap = 0;            // a right-button release also fires the trap

  // ---- logs (persisted by the save subsystem) ----
  NameLog labelLog;
  NameLog fileLog;

  // ---- system ----
  bool reportingError = false;   // a fatal report is under way
  // The static checker reads with this engine: reportScriptError throws ScriptCheckError.
  bool checkingMode = false;
};

}  // namespace veloria
