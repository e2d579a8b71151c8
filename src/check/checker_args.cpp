// The checker's argument readers: the engine's readers, plus what can be proved about the
// value read (a label that exists, a file that is there, an effect number used).
#include <string>

#include "check/checker_internal.h"
#include "engine/engine.h"
#include "graphics/tag.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

inline bool startsWord(uint8_t c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c + 32);
  return (c >= 'a' && c <= 'z') || c == '_';
}

// The end of the group that starts at `p` (just after its '[' or '{').
const char* skipGroup(const char* p) {
  int depth = 1;
  for (; *p; ++p) {
    if (*p == '[' || *p == '{') ++depth;
    if ((*p == ']' || *p == '}') && --depth == 0) return p + 1;
  }
  return p;
}

}  // namespace

int32_t ScriptChecker::number(bool* isStatic) {
  Engine& e = *e_;
  skipBlanks(e);
  const uint32_t start = pos();
  noteVariableAlias();
  int32_t v = readNumber(e);
  // Known without running when no variable or array element takes part.
  if (isStatic) {
    *isStatic = true;
    for (uint32_t p = start; p < pos(); ++p)
      if (byteAt(p) == '%' || byteAt(p) == '?') *isStatic = false;
  }
  return v;
}

void ScriptChecker::spriteNumber(bool allowAll) {
  Engine& e = *e_;
  bool isStatic = false;
  const int32_t n = number(&isStatic);
  // A base-language game passes over numbers outside its table; the extended dialect stops.
  if (isStatic && extendedDialect(e) && (n < 0 || n >= kSpriteCount) && !(allowAll && n == -1))
    reportScriptErrorF(e, sj("パラメータエラー"), sj("スプライト番号%dは範囲外です。"), std::to_string(n));
}

std::string ScriptChecker::string(bool* isStatic) {
  Engine& e = *e_;
  skipBlanks(e);
  uint8_t c = currentByte(e);
  const uint32_t start = pos();
  noteVariableAlias();
  std::string v = readString(e);
  if (isStatic) {
    *isStatic = c == '"' || startsWord(c);
    // A sum of strings is known only when no variable takes part.
    for (uint32_t p = start; extendedDialect(e) && p < pos() && *isStatic; ++p)
      if (byteAt(p) == '$') *isStatic = false;
  }
  return v;
}

std::optional<uint32_t> ScriptChecker::label() {
  Engine& e = *e_;
  skipBlanks(e);
  const uint32_t at = e.script.scriptPos;
  if (currentByte(e) == '$') {
    // A label held in a string variable is known only when the game runs.
    noteVariableAlias();
    readString(e);
    return std::nullopt;
  }
  std::string name = readLabel(e);
  int64_t target = findLabel(e, name);
  if (target < 0) {
    std::string message = sj("ラベル*%sは存在しません");
    message.replace(message.find("%s"), 2, name);
    finding(at, sjisToUtf8(message) + " (" + std::string(glossFor(sjisToUtf8(message))) + ")");
    return std::nullopt;
  }
  return static_cast<uint32_t>(target);
}

void ScriptChecker::colour(const CommandArgs& args) {
  Engine& e = *e_;
  skipBlanks(e);
  if (currentByte(e) != '#' && args.colorMessage) reportScriptError(e, sj("エラー"), sj(args.colorMessage));
  readColor(e);
}

void ScriptChecker::picture() {
  skipBlanks(*e_);
  const uint32_t at = pos();
  bool isStatic = false;
  std::string name = string(&isStatic);
  if (isStatic) checkMediaFile(at, name, true, "picture");
}

void ScriptChecker::media(const char* kind) {
  skipBlanks(*e_);
  const uint32_t at = pos();
  bool isStatic = false;
  std::string name = string(&isStatic);
  if (isStatic) checkMediaFile(at, name, false, kind);
}

// A transition: an effect number, or an effect type, a duration and perhaps a mask picture.
void ScriptChecker::effectArgument() {
  Engine& e = *e_;
  skipBlanks(e);
  const uint32_t at = pos();
  bool isStatic = false;
  int32_t n = number(&isStatic);
  if (optionalArgFollows(e)) {
    // The later dialect's plug-in transition names a library, not a picture.
    const bool plugin = isStatic && n == kPluginEffect && extendedDialect(e);
    if (isStatic && (n < 0 || n > 18) && !plugin)
      finding(at, sjisToUtf8(sj("不正なエフェクト番号です。EFFECT命令をチェックしてください。")) +
                      " (effect types are 0 to 18)");
    expectComma(e);
    number();
    if (optionalArgFollows(e)) {
      expectComma(e);
      if (plugin) string();
      else picture();
    }
    return;
  }
  if (isStatic && n != 0 && pass_ == Pass::Report) effectUses_.push_back(EffectUse{at, n});
}

namespace {

// Reads arguments by a row's pattern; groups are entered by recursion on the pattern,
// which is a literal of a registration row.
struct PatternReader {
  ScriptChecker& c;
  Engine& e;
  const CommandArgs& args;
  int message = 0;
  bool lastVarIsString = false;

  // The message for the next variable argument; the last one given serves the rest.
  const char* nextMessage() {
    const char* m = args.messages[static_cast<size_t>(message)];
    if (message < 2 && args.messages[static_cast<size_t>(message) + 1]) ++message;
    return m ? m : "";
  }

  const char* run(const char* p) {
    while (*p && *p != ']' && *p != '}') {
      switch (*p++) {
        case 'n': c.number(); break;
        case 'S': c.spriteNumber(); break;
        case 's': c.string(); break;
        case 'l': c.label(); break;
        case 'w': readWord(e); break;
        case 'c': c.colour(args); break;
        case '%':
          c.noteVariableAlias();
          readNumVarRef(e, nextMessage());
          break;
        case '$':
          c.noteVariableAlias();
          readStrVarRef(e, nextMessage());
          break;
        case 'b':
          skipBlanks(e);
          if (currentByte(e) == '$') {
            c.string();
          } else {
            c.noteVariableAlias();
            readNumVarRef(e, nextMessage());
          }
          break;
        case 'i':
          c.noteVariableAlias();
          readNumTarget(e, nextMessage());
          break;
        case 'v': {
          c.noteVariableAlias();
          if (arrayTargetFollows(e)) {
            readArrayPlace(e);
            lastVarIsString = false;
            break;
          }
          VarRef r = readVarRef(e, nextMessage());
          lastVarIsString = r.isString;
          break;
        }
        case 'x':
          if (lastVarIsString) c.string();
          else c.number();
          break;
        case 'p': c.picture(); break;
        case 'a': c.media("sound"); break;
        case 'f': c.media("movie"); break;
        case 'e': c.effectArgument(); break;
        case ',': expectComma(e); break;
        case '[': {
          const char* end = skipGroup(p);
          if (optionalArgFollows(e)) run(p);
          p = end;
          break;
        }
        case '{': {
          const char* end = skipGroup(p);
          while (optionalArgFollows(e)) run(p);
          p = end;
          break;
        }
        default: break;
      }
    }
    return p;
  }
};

}  // namespace

void ScriptChecker::readPattern(const CommandArgs& args) {
  PatternReader r{*this, *e_, args};
  r.run(args.pattern);
}

bool ScriptChecker::mediaExists(const std::string& name) {
  auto it = mediaCache_.find(name);
  if (it != mediaCache_.end()) return it->second;
  bool found = false;
  if (auto host = fs::resolve(name)) {
    auto stamp = fs::hostStamp(*host);
    found = stamp && stamp->regular;
  }
  if (!found && sawArchiveSwitch_) {
    std::string local = name;
    for (char& ch : local)
      if (ch == '/') ch = '\\';
    found = findInArchives(*e_, local).has_value();
  }
  mediaCache_.emplace(name, found);
  return found;
}

void ScriptChecker::checkMediaFile(uint32_t at, const std::string& name, bool picture, const char* kind) {
  if (pass_ != Pass::Report || name.empty()) return;
  std::string file = name;
  if (picture) {
    ParsedTag tag;
    // A text sprite of the later dialect names no file; only its tag can be wrong.
    const bool textSprite = isTextSpriteName(name) && extendedDialect(*e_);
    TextSpriteTag textTag;
    switch (textSprite ? parseTextSpriteTag(name, textTag) : parseTag(name, tag)) {
      case TagStatus::TagError:
        finding(at, sjisToUtf8(sj("タグの指定がおかしいです。")) + " (" +
                        std::string(glossFor(sjisToUtf8(sj("タグの指定がおかしいです。")))) + ")");
        return;
      case TagStatus::ColorError:
        finding(at, sjisToUtf8(sj("カラー指定が間違っています。HTMLと同じ形式（例：#75fe1b）で指定してください。")) +
                        " (a bad colour in the picture's tag)");
        return;
      case TagStatus::Ok:
        break;
    }
    if (textSprite) return;
    file = std::string(tag.fileName);
  }
  // Members of plug-in archives cannot be listed without running the plug-in.
  if (file.empty() || sawArchivePlugin_) return;
  if (mediaExists(file)) return;
  std::string message = sj("ファイル%sを開けません。");
  message.replace(message.find("%s"), 2, file);
  finding(at, sjisToUtf8(message) + " (no " + kind + " file of that name, loose or in the archives)");
}

}  // namespace veloria
