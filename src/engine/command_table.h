// Command words, one row each: the handler and what the checker (check/) needs to read the
// arguments without running the command. Each subsystem registers its own commands; the
// dispatcher looks a lower-case word up here.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veloria {

struct Engine;

// A handler reads its own arguments from scriptPos. `word` is the command as read, so one
// handler can serve several words.
using CommandHandler = void (*)(Engine& e, std::string_view word, bool definePass);

// The arguments of a command as the checker reads them. `pattern` is read left to right:
//   n number          s string            l label (must exist)     w word
//   S sprite number (a literal outside the game's sprites is refused)
//   c colour (#rrggbb; without '#' the colorMessage, else the reader's colour error)
//   % numeric variable   $ string variable   v either   x a value of the last v's kind
//   i numeric variable, or in the extended dialect an array element (v takes one there too)
//   b numeric variable where a '$' is tolerated (the button waits)
//   p picture file    a sound or music file    f movie file   (checked when literal)
//   e effect argument (number, or type,duration[,mask])
//   ,  a comma        [ ... ] taken when a comma follows    { ... } repeated while one does
// kOwnCheck: the checker has code of its own for the word (check/*_checks.cpp).
// Wrong variable arguments use `messages` in turn (UTF-8, the command's own texts).
struct CommandArgs {
  const char* pattern = "";
  std::array<const char*, 3> messages{};
  const char* colorMessage = nullptr;
};
inline constexpr char kOwnCheck[] = "*";

struct CommandRow {
  CommandHandler handler = nullptr;
  CommandArgs args;
  // A word of the later dialect only: a game read as the base language does not know it.
  bool extendedOnly = false;
  // The command changes nothing but the script's own state (variables, through their write
  // access; the position; the call stack): the save point after it need not look elsewhere.
  bool scriptOnly = false;
};

class CommandTable {
 public:
  // A command cannot be registered without its arguments: `pattern`, or the whole CommandArgs.
  void add(std::string_view word, CommandHandler handler, const char* pattern) {
    add(word, handler, CommandArgs{pattern});
  }
  void add(std::string_view word, CommandHandler handler, const CommandArgs& args) {
    table_[std::string(word)] = CommandRow{handler, args};
  }
  CommandHandler find(std::string_view word) const {
    const CommandRow* r = row(word);
    return r ? r->handler : nullptr;
  }
  const CommandRow* row(std::string_view word) const {
    auto it = table_.find(word);  // looked up without copying the word
    return it == table_.end() ? nullptr : &it->second;
  }
  void markExtendedOnly(std::string_view word) {
    auto it = table_.find(word);
    if (it != table_.end()) it->second.extendedOnly = true;
  }
  void markScriptOnly(std::string_view word) {
    auto it = table_.find(word);
    if (it != table_.end()) it->second.scriptOnly = true;
  }
  size_t size() const { return table_.size(); }
  // Every registered word, in no particular order.
  std::vector<std::string_view> words() const {
    std::vector<std::string_view> out;
    for (const auto& [w, r] : table_) out.push_back(w);
    return out;
  }
  void clear() { table_.clear(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, CommandRow, Hash, std::equal_to<>> table_;
};

// Whether the checker reads this row's arguments with code of its own.
inline bool hasOwnCheck(const CommandArgs& args) { return std::string_view(args.pattern) == kOwnCheck; }

}  // namespace veloria
