// The static checker: loads the script as the engine does and reads every statement with the
// engine's own readers, on an engine whose fatal error report throws instead of ending the
// run. Three passes: the define block as the define pass would run it (aliases are defined
// there, story text is an error there), the whole script once to define the aliases met
// outside it, and the whole script again to report.
#include <algorithm>
#include <cstdio>
#include <string>

#include "check/checker_internal.h"
#include "engine/engine.h"
#include "graphics/tag.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

inline bool isBlank(uint8_t c) { return c == ' ' || c == '\t'; }
inline bool startsWord(uint8_t c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c + 32);
  return (c >= 'a' && c <= 'z') || c == '_';
}
// What the interpreter loop steps over between statements.
inline bool betweenStatements(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == ':' || c == '~'; }

std::string formatPattern(const std::string& pattern, std::string_view arg) {
  std::string out = pattern;
  size_t at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, arg);
  return out;
}

// The engine's message (Shift-JIS) in UTF-8, with its gloss when there is one.
std::string withGloss(const std::string& sjisMessage, std::string_view extra = {}) {
  std::string utf8 = sjisToUtf8(sjisMessage);
  std::string_view gloss = glossFor(utf8);
  if (!gloss.empty() || !extra.empty()) {
    utf8 += " (";
    utf8 += gloss;
    if (!gloss.empty() && !extra.empty()) utf8 += "; ";
    utf8 += extra;
    utf8 += ")";
  }
  return utf8;
}

// Bounds of the define-block walk: a define block is short, and a loop in it must end.
// Deeper gosub nesting and more open paths than these are not followed (nothing is guessed).
constexpr size_t kMaxDefineSteps = 100000;
constexpr size_t kMaxDefineNesting = 64;
constexpr size_t kMaxDefinePaths = 10000;
// The bytes the walk may read in all: a long line reached again and again (with another
// gosub stack each time) must not cost more than reading the script a few times.
constexpr uint64_t kMaxDefineBytes = 32u << 20;

}  // namespace

ScriptChecker::ScriptChecker(EngineSetUp setUp, const ScriptOptions& options)
    : platform_(makeHeadlessPlatform(HeadlessOptions{})), e_(std::make_unique<Engine>(*platform_)) {
  setUp(*e_);
  setScriptOptions(*e_, options);
  startCheckingMode(*e_);
}

ScriptChecker::~ScriptChecker() = default;

void ScriptChecker::loadFromGame() {
  try {
    loadScript(*e_);
  } catch (const ScriptCheckError& err) {
    // The buffer is incomplete: report where the engine would and check nothing else.
    loadFailed_ = true;
    findings_.push_back(CheckFinding{"0.txt", 1, 0, withGloss(err.message)});
  }
  loaded_ = true;
}

void ScriptChecker::loadFromBytes(std::string_view sjis) {
  try {
    loadScriptFromMemory(*e_, sjis);
  } catch (const ScriptCheckError& err) {
    loadFailed_ = true;
    findings_.push_back(CheckFinding{"0.txt", 1, 0, withGloss(err.message)});
  }
  loaded_ = true;
}

uint8_t ScriptChecker::byteAt(uint32_t pos) const {
  const auto& s = e_->script;
  return pos < s.scriptBuffer.size() ? s.scriptBuffer[pos] : 0;
}

uint32_t ScriptChecker::pos() const { return e_->script.scriptPos; }

bool ScriptChecker::hasTildeAfter(uint32_t pos) const { return lastTilde_ >= static_cast<int64_t>(pos); }
bool ScriptChecker::hasTildeBefore(uint32_t pos) const {
  return firstTilde_ >= 0 && firstTilde_ < static_cast<int64_t>(pos);
}

uint32_t ScriptChecker::lineFeedsBetween(uint32_t from, uint32_t to) const {
  if (to <= from) return 0;
  auto a = std::lower_bound(lineFeeds_.begin(), lineFeeds_.end(), from);
  auto b = std::lower_bound(a, lineFeeds_.end(), to);
  return static_cast<uint32_t>(b - a);
}

void ScriptChecker::buildLineIndex() {
  const auto& s = e_->script;
  const uint8_t* b = scriptBytes(*e_);
  lineFeeds_.clear();
  for (uint32_t p = 0; p < s.scriptLength; ++p) {
    if (b[p] == '\n') lineFeeds_.push_back(p);
    if (b[p] == '~') {
      if (firstTilde_ < 0) firstTilde_ = p;
      lastTilde_ = p;
    }
  }
}

// ---- findings ----

CheckFinding ScriptChecker::locate(uint32_t pos, std::string message) const {
  const auto& s = e_->script;
  if (pos > s.scriptLength) pos = s.scriptLength;
  CheckFinding f;
  f.pos = pos;
  f.message = std::move(message);
  if (s.source == ScriptSource::VeloriaDat || s.source == ScriptSource::VeloSecDat) {
    f.file = s.source == ScriptSource::VeloriaDat ? "veloria.dat" : "velo_sec.dat";
    f.line = lineFeedsBetween(0, pos) + 1;
    return f;
  }
  // The file whose text (or the line feed appended after it) holds `pos`.
  const ScriptFileSpan span = scriptFileAt(*e_, pos);
  f.file = std::to_string(span.file) + ".txt";
  f.line = lineFeedsBetween(span.start, pos) + 1;
  return f;
}

void ScriptChecker::finding(uint32_t pos, std::string utf8) {
  uint64_t key = (static_cast<uint64_t>(pos) << 32) ^ (std::hash<std::string>{}(utf8) & 0xFFFFFFFFu);
  if (!findingKeys_.insert(key).second) return;
  if (findings_.size() >= kMaxFindings) {
    truncated_ = true;
    return;
  }
  findings_.push_back(locate(pos, std::move(utf8)));
}

void ScriptChecker::record(const ScriptCheckError& err, uint32_t pos) { finding(pos, withGloss(err.message)); }

void ScriptChecker::skipToLineEnd() {
  const uint8_t* b = scriptBytes(*e_);
  uint32_t p = std::min(scriptPosition(*e_), e_->script.scriptLength);
  while (b[p] != 0 && b[p] != '\n') ++p;
  setScriptPosition(*e_, p);
}

// ---- labels ----

// The label table as the loader builds it, but every duplicate is reported, not only the
// first, and the scan goes on.
void ScriptChecker::scanLabels() {
  Engine& e = *e_;
  const auto& s = e.script;
  clearLabels(e);
  const uint8_t* b = scriptBytes(e);
  uint32_t p = 0;
  bool tooMany = false;
  for (;;) {
    uint8_t c = b[p];
    if (c == 0) break;
    if (c == ' ' || c == '\t' || c == '\n') {
      ++p;
      continue;
    }
    if (c != '*') {
      while (b[p] != 0 && b[p] != '\n') ++p;
      continue;
    }
    setScriptPosition(e, p);
    std::string name;
    try {
      name = readLabel(e);
    } catch (const ScriptCheckError& err) {
      record(err, scriptPosition(e));
      skipToLineEnd();
      p = scriptPosition(e);
      continue;
    }
    if (s.labelIndex.count(name)) {
      finding(scriptPosition(e), withGloss(formatPattern(sj("ラベル*%sの多重定義です。"), name)));
    } else if (s.labels.size() >= kMaxLabels) {
      if (!tooMany) finding(scriptPosition(e), withGloss(sj("ラベルが5000を超えました。")));
      tooMany = true;
    }
    skipBlanks(e);
    if (b[scriptPosition(e)] == '\n') skipByte(e);
    p = scriptPosition(e);
    if (!s.labelIndex.count(name) && !tooMany) addLabel(e, std::move(name), p);
  }
  setScriptPosition(e, 0);
}

// ---- statements ----

Flow ScriptChecker::statement(Pass pass, uint32_t& statementPos) {
  Engine& e = *e_;
  flow_ = Flow{};
  uint32_t start = e.script.scriptPos;
  statementPos = start;
  uint8_t c = byteAt(start);
  if (c == '*') {
    readLabel(e);
    return flow_;
  }
  if (c == ';') {
    skipToLineEnd();
    return flow_;
  }
  if (startsWord(c)) {
    std::string word = readWord(e);
    command(pass, word, start);
  } else {
    storyText(pass);
  }
  // A statement always moves on, whatever a reader did.
  if (scriptPosition(e) <= start) setScriptPosition(e, start + 1);
  return flow_;
}

void ScriptChecker::command(Pass pass, const std::string& spelled, uint32_t wordPos) {
  Engine& e = *e_;
  const bool extended = extendedDialect(e);
  std::string word = spelled;
  if (extended && !word.empty() && word[0] == '_') {
    word.erase(0, 1);  // a built-in reached past a user command of the same name
  } else if (extended && isUserCommand(e, word)) {
    userCommandCall(word);
    return;
  }
  const CommandRow* row = e.commands.row(word);
  // A game read as the base language does not know the later dialect's words.
  if (row && row->extendedOnly && !extended) row = nullptr;
  if (!row) {
    const bool voice = extended ? word.size() > 1 && word[0] == 'v' && word[1] >= '0' && word[1] <= '9'
                                : !word.empty() && word[0] == 'v';
    if (voice && spelled[0] != '_') {
      // The voice shorthand: v12 plays voice\12.wav.
      checkMediaFile(wordPos, "voice\\" + word.substr(1) + ".wav", false, "voice");
      return;
    }
    if (lenientPlay(e)) {
      // The game goes on past it (skipped, or shown as story text), but it is still a mistake.
      if (pass == Pass::Report)
        finding(wordPos, withGloss(formatPattern(sj("未定義の命令\"%s\"を無視しました。"), spelled)));
      setScriptPosition(e, endOfStatement(e, scriptPosition(e)));
      return;
    }
    reportScriptErrorF(e, sj("構文エラー"), sj("不正な命令\"%s\"です。"), spelled);
  }
  if (word == "defsub" && pass == Pass::Define) defsubsInDefineBlock_.insert(wordPos);
  if (word == "defsub" && pass == Pass::Report && !defsubsInDefineBlock_.count(wordPos))
    finding(wordPos, withGloss(sj("defsub命令は定義ブロックでしか使えません。"), "the define pass never reaches it"));
  if (pass != Pass::Report && word == "defsub" && aliasStatementsRun_.insert(wordPos).second) {
    // User commands are defined as the define pass would define them, wherever they stand
    // (one the define pass does not reach is reported above).
    try {
      row->handler(e, word, true);
    } catch (const ScriptCheckError& err) {
      record(err, e.script.scriptPos);
      throw;
    }
    return;
  }
  if (pass != Pass::Report) {
    if (word == "vla" || word == "nsa") sawArchiveSwitch_ = true;
    if (word == "arc") sawArchivePlugin_ = true;
    if (word == "textgosub") sawTextGosub_ = true;
    // Aliases are defined by running their own commands, once each, in the order the
    // define pass would run them.
    if ((word == "numalias" || word == "stralias") && aliasStatementsRun_.insert(wordPos).second) {
      try {
        row->handler(e, word, definePass_);
      } catch (const ScriptCheckError& err) {
        record(err, e.script.scriptPos);
        throw;
      }
      return;
    }
  }
  if (!hasOwnCheck(row->args)) {
    readPattern(row->args);
  } else if (CustomCheck check = findCustomCheck(word)) {
    check(*this, word);
  } else {
    // A row that asks for a check the checker does not have: nothing can be proved.
    flow_.kind = Flow::Stop;
    skipToLineEnd();
    return;
  }
  if (pass == Pass::Report) {
    skipBlanks(e);
    if (byteAt(e.script.scriptPos) == ',')
      finding(e.script.scriptPos, "too many arguments for " + word + ": the rest of the line is shown as story text");
  }
}

// A call of a user command: its arguments are read as getparam will read them (numbers,
// strings, labels and colours, as their first byte says), and the routine is a subroutine.
void ScriptChecker::userCommandCall(const std::string& word) {
  Engine& e = *e_;
  flow_.kind = Flow::Stop;
  skipBlanks(e);
  uint8_t c = currentByte(e);
  if (c != ':' && c != ';' && c != '\n' && c != 0) {
    for (;;) {
      skipBlanks(e);
      c = currentByte(e);
      if (c == '*') label();
      else if (c == '#') readColor(e);
      else if (conditionOperandIsString(e) || c == '[') string();
      else number();
      if (!optionalArgFollows(e)) break;
      skipByte(e);
    }
  }
  int64_t target = findLabel(e, word);
  if (target < 0) {
    finding(pos(), withGloss(formatPattern(sj("ラベル*%sは存在しません"), word), "the routine of a user command"));
    return;
  }
  flow_ = Flow{Flow::Call, {static_cast<uint32_t>(target)}};
}

void ScriptChecker::storyText(Pass pass) {
  Engine& e = *e_;
  if (definePass_) {
    flow_.kind = Flow::Stop;  // one report for a story the define pass runs into
    reportScriptError(e, sj("定義ブロックエラー"), sj("*defineブロックには、表示文はおけません。"));
  }
  if (pass == Pass::Report) {
    // The alias uses among the expanded variables; "!s%1" and the like pass unexpanded.
    const uint8_t* b = scriptBytes(e);
    const uint32_t keep = e.script.scriptPos;
    for (uint32_t p = keep; b[p] != 0 && b[p] != '\n'; ++p) {
      if (isSjisLead(b[p]) && b[p + 1] != 0 && b[p + 1] != '\n') {
        ++p;
        continue;
      }
      if (b[p] == '$' || (b[p] == '%' && !(p >= 2 && b[p - 2] == '!'))) {
        setScriptPosition(e, p);
        noteVariableAlias();
      }
    }
    setScriptPosition(e, keep);
  }
  setTextGosub(e, sawTextGosub_);
  buildStoryTextLine(e);
}

// ---- passes ----

void ScriptChecker::walkLinear(Pass pass) {
  Engine& e = *e_;
  pass_ = pass;
  definePass_ = false;
  const uint8_t* b = scriptBytes(e);
  uint32_t p = 0;
  for (;;) {
    while (betweenStatements(b[p])) ++p;
    setScriptPosition(e, p);
    if (b[p] == 0 || truncated_) break;
    uint32_t start = p;
    try {
      statement(pass, start);
      if (pass == Pass::Report && b[start] != '*' && b[start] != ';') statementStarts_.push_back(start);
    } catch (const ScriptCheckError& err) {
      if (pass == Pass::Report) {
        record(err, scriptPosition(e));
        if (b[start] != '*' && b[start] != ';') statementStarts_.push_back(start);
      }
      if (scriptPosition(e) < start) setScriptPosition(e, start);
      skipToLineEnd();
    }
    if (scriptPosition(e) <= start) setScriptPosition(e, start + 1);
    p = scriptPosition(e);
  }
}

// Follows the define pass from *define as far as each step is certain: straight on, into
// gosub and back, to goto and jumpf targets, both ways after an if; it stops at anything
// that depends on values (and at game).
void ScriptChecker::walkDefineBlock() {
  Engine& e = *e_;
  pass_ = Pass::Define;
  int64_t start = findLabel(e, "define");
  if (start < 0) {
    finding(0, withGloss(formatPattern(sj("ラベル*%sは存在しません"), "define"), "the define pass starts there"));
    return;
  }
  struct State {
    uint32_t pos;
    std::vector<uint32_t> stack;
  };
  std::vector<State> work{State{static_cast<uint32_t>(start), {}}};
  std::unordered_set<uint64_t> visited;
  size_t steps = 0;
  uint64_t bytesRead = 0;
  definePass_ = true;
  const uint8_t* b = scriptBytes(e);
  while (!work.empty() && steps < kMaxDefineSteps && bytesRead < kMaxDefineBytes) {
    State st = std::move(work.back());
    work.pop_back();
    setScriptPosition(e, st.pos);
    while (steps++ < kMaxDefineSteps && bytesRead < kMaxDefineBytes) {
      uint32_t p = scriptPosition(e);
      while (betweenStatements(b[p])) ++p;
      setScriptPosition(e, p);
      if (b[p] == 0) {
        // Named on the script's last line rather than on the empty one after it.
        finding(p > 0 ? p - 1 : 0, withGloss(sj("ファイルの終端に達しました。"), "the define block never reaches game"));
        break;
      }
      uint64_t key = p;
      for (uint32_t r : st.stack) key = key * 1000003u ^ r;
      if (!visited.insert(key).second) break;
      uint32_t at = p;
      Flow f;
      try {
        f = statement(Pass::Define, at);
      } catch (const ScriptCheckError& err) {
        record(err, scriptPosition(e));
        // The engine would stop here; to find the next problem as well, go on with the next
        // line, unless the statement was to move elsewhere (commands that move say so first).
        if (flow_.kind != Flow::Next && flow_.kind != Flow::Conditional) break;
        skipToLineEnd();
        p = scriptPosition(e);
        bytesRead += p > at ? p - at : 1;
        continue;
      }
      p = scriptPosition(e);
      bytesRead += p > at ? p - at : 1;
      bool goOn = false;
      switch (f.kind) {
        case Flow::Next:
          goOn = true;
          break;
        case Flow::Conditional: {
          // The rest of the line runs, or the next line does.
          uint32_t q = p;
          while (b[q] != 0 && b[q] != '\n') ++q;
          if (b[q] == '\n') ++q;
          if (work.size() < kMaxDefinePaths) work.push_back(State{q, st.stack});
          goOn = true;
          break;
        }
        case Flow::Jump:
          for (uint32_t t : f.targets)
            if (work.size() < kMaxDefinePaths) work.push_back(State{t, st.stack});
          break;
        case Flow::Call:
          if (!f.targets.empty() && st.stack.size() < kMaxDefineNesting) {
            std::vector<uint32_t> stack = st.stack;
            stack.push_back(p);
            work.push_back(State{f.targets.front(), std::move(stack)});
          }
          break;
        case Flow::Return:
          if (st.stack.empty()) {
            finding(at, withGloss(sj("returnとgosub文が正しく対応していません。")));
            break;
          }
          setScriptPosition(e, st.stack.back());
          st.stack.pop_back();
          goOn = true;
          break;
        case Flow::Stop:
        case Flow::GameStarts:
          break;
      }
      if (!goOn) break;
    }
  }
  definePass_ = false;
}

void ScriptChecker::defineEffect(int32_t number, bool isStatic) {
  if (pass_ != Pass::Report) return;
  if (!isStatic) dynamicEffectDefinition_ = true;
  else definedEffects_.insert(number);
}

void ScriptChecker::finishEffects() {
  if (dynamicEffectDefinition_) return;  // an effect number from a variable could be any
  for (const EffectUse& u : effectUses_) {
    if (u.number == 0 || u.number == 1 || definedEffects_.count(u.number)) continue;
    finding(u.pos, withGloss(sj("未定義のエフェクトを使いました"),
                             "no effect command defines effect " + std::to_string(u.number)));
  }
}

void ScriptChecker::noteVariableAlias() {
  if (pass_ != Pass::Report) return;
  Engine& e = *e_;
  skipBlanks(e);
  const uint32_t at = e.script.scriptPos;
  uint8_t marker = byteAt(at);
  if (marker != '%' && marker != '$') return;
  setScriptPosition(e, at + 1);
  skipBlanks(e);
  std::string word;
  if (startsWord(byteAt(e.script.scriptPos))) {
    try {
      word = readWord(e);
    } catch (const ScriptCheckError&) {
      word.clear();  // the reader that follows reports it
    }
  }
  setScriptPosition(e, at);
  if (word.empty() || !e.script.numAliasIndex.count(word)) return;
  AliasKinds& k = aliasUses_[word];
  AliasUse& u = marker == '%' ? k.numeric : k.string;
  if (!u.seen) u = AliasUse{at, true};
}

void ScriptChecker::finishAliases() {
  for (const auto& [name, k] : aliasUses_) {
    if (!k.numeric.seen || !k.string.seen) continue;
    const AliasUse& first = k.numeric.pos < k.string.pos ? k.numeric : k.string;
    const AliasUse& second = k.numeric.pos < k.string.pos ? k.string : k.numeric;
    CheckFinding where = locate(first.pos, {});
    bool secondIsString = &second == &k.string;
    finding(second.pos, "alias " + name + " names the " + (secondIsString ? "string" : "numeric") +
                            " variable here and the " + (secondIsString ? "numeric" : "string") +
                            " variable at " + where.file + ":" + std::to_string(where.line) +
                            ": one number, two different variables");
  }
}

ScriptLines ScriptChecker::statementLines() const {
  const auto& s = e_->script;
  ScriptLines out;
  out.scriptLength = s.scriptLength;
  struct Span {
    std::string name;
    uint32_t start, end;  // [start, end]: the file's text and its appended line feed
  };
  std::vector<Span> spans;
  if (s.source == ScriptSource::VeloriaDat || s.source == ScriptSource::VeloSecDat) {
    if (s.scriptLength > 0)
      spans.push_back(Span{s.source == ScriptSource::VeloriaDat ? "veloria.dat" : "velo_sec.dat", 0,
                           s.scriptLength - 1});
  } else {
    uint32_t next = 0;
    for (int k = 0; k < kScriptFileCount; ++k) {
      int32_t end = s.fileEndTable[static_cast<size_t>(k)];
      if (end == kMissingFileEnd) continue;
      spans.push_back(Span{std::to_string(k) + ".txt", next, static_cast<uint32_t>(end)});
      next = static_cast<uint32_t>(end) + 1;
    }
  }
  size_t i = 0;
  for (const Span& sp : spans) {
    ScriptLines::File f;
    f.name = sp.name;
    f.lineCount = lineFeedsBetween(sp.start, sp.end + 1);
    for (; i < statementStarts_.size() && statementStarts_[i] <= sp.end; ++i) {
      if (statementStarts_[i] < sp.start) continue;
      uint32_t line = lineFeedsBetween(sp.start, statementStarts_[i]) + 1;
      if (f.statementLines.empty() || f.statementLines.back() != line) f.statementLines.push_back(line);
    }
    out.files.push_back(std::move(f));
  }
  return out;
}

CheckResult ScriptChecker::run() {
  CheckResult result;
  if (!loaded_) loadFromGame();
  if (!loadFailed_) {
    Engine& e = *e_;
    buildLineIndex();
    scanLabels();
    walkDefineBlock();
    walkLinear(Pass::Collect);
    enableArchives(e, sawArchiveSwitch_);
    walkLinear(Pass::Report);
    if (findLabel(e, "start") < 0)
      finding(0, withGloss(formatPattern(sj("ラベル*%sは存在しません"), "start"), "the game starts there"));
    finishEffects();
    finishAliases();
    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const CheckFinding& a, const CheckFinding& b) { return a.pos < b.pos; });
    result.lines = statementLines();
  }
  result.findings = std::move(findings_);
  result.truncated = truncated_;
  result.dialect = e_->script.dialect;
  return result;
}

// ---- the checks of their own ----

namespace {

const CustomChecks& customChecks() {
  static const CustomChecks checks = [] {
    CustomChecks m;
    addFlowChecks(m);
    addTextChecks(m);
    addGraphicsChecks(m);
    addSystemChecks(m);
    return m;
  }();
  return checks;
}

}  // namespace

CustomCheck findCustomCheck(std::string_view word) {
  auto it = customChecks().find(word);
  return it == customChecks().end() ? nullptr : it->second;
}

std::vector<std::string_view> ownCheckWords() {
  std::vector<std::string_view> words;
  for (const auto& [w, check] : customChecks()) words.push_back(w);
  return words;
}

// ---- entry points ----

CheckResult checkGame(EngineSetUp setUp, const ScriptOptions& options) {
  ScriptChecker c(setUp, options);
  c.loadFromGame();
  return c.run();
}

CheckResult checkScriptBytes(EngineSetUp setUp, std::string_view sjisScript, const ScriptOptions& options) {
  ScriptChecker c(setUp, options);
  c.loadFromBytes(sjisScript);
  return c.run();
}

std::string formatFinding(const CheckFinding& f) {
  return f.file + ":" + std::to_string(f.line) + ": " + f.message;
}

int runScriptCheck(EngineSetUp setUp, std::FILE* out, std::FILE* err, const ScriptOptions& options) {
  CheckResult r = checkGame(setUp, options);
  for (const CheckFinding& f : r.findings) std::fprintf(out, "%s\n", formatFinding(f).c_str());
  std::fflush(out);
  size_t statements = 0;
  for (const auto& f : r.lines.files) statements += f.statementLines.size();
  // Only the later dialect is named: a base-language script's report reads as it always did.
  if (r.dialect == Dialect::Extended) std::fprintf(err, "veloria: the script is in the extended dialect\n");
  if (r.truncated)
    std::fprintf(err, "veloria: more than %zu problems found; the rest are not listed\n", kMaxFindings);
  else if (r.findings.empty())
    std::fprintf(err, "veloria: no problems found (%zu script lines with statements)\n", statements);
  else
    std::fprintf(err, "veloria: %zu problem%s found\n", r.findings.size(), r.findings.size() == 1 ? "" : "s");
  return r.findings.empty() ? 0 : 1;
}

}  // namespace veloria
