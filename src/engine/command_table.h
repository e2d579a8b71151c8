// Command words and their handlers. Each subsystem registers its own commands; the
// dispatcher looks a lower-case word up here.
#pragma once

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

class CommandTable {
 public:
  void add(std::string_view word, CommandHandler handler) { table_[std::string(word)] = handler; }
  CommandHandler find(std::string_view word) const {
    auto it = table_.find(word);  // looked up without copying the word
    return it == table_.end() ? nullptr : it->second;
  }
  size_t size() const { return table_.size(); }
  // Every registered word, in no particular order.
  std::vector<std::string_view> words() const {
    std::vector<std::string_view> out;
    for (const auto& [w, h] : table_) out.push_back(w);
    return out;
  }
  void clear() { table_.clear(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, CommandHandler, Hash, std::equal_to<>> table_;
};

}  // namespace veloria
