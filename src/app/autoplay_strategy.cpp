#include "app/autoplay_strategy.h"

#include <charconv>
#include <cstdlib>

#include "script/script.h"

namespace veloria {

std::optional<AutoplayChoice> parseAutoplayChoice(std::string_view text) {
  AutoplayChoice choice;
  if (text == "first") return choice;
  if (text == "explore") {
    choice.kind = AutoplayChoice::Kind::Explore;
    return choice;
  }
  constexpr std::string_view kRandom = "random:";
  if (text.substr(0, kRandom.size()) != kRandom) return std::nullopt;
  const std::string_view digits = text.substr(kRandom.size());
  if (digits.empty() || digits[0] < '0' || digits[0] > '9') return std::nullopt;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), choice.seed);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  choice.kind = AutoplayChoice::Kind::Random;
  return choice;
}

std::shared_ptr<AutoplayStrategy> makeAutoplayStrategy(const AutoplayChoice& choice) {
  switch (choice.kind) {
    case AutoplayChoice::Kind::First: return nullptr;
    case AutoplayChoice::Kind::Explore: return std::make_shared<ExploreStrategy>();
    case AutoplayChoice::Kind::Random: return std::make_shared<RandomStrategy>(choice.seed);
  }
  return nullptr;
}

size_t ExploreStrategy::choose(const Engine& e, uint32_t place, const std::vector<AutoplayOption>& options) {
  auto [it, fresh] = places_.try_emplace(place);
  Place& p = it->second;
  if (fresh) {
    // "0.txt line:12": worked out once per place, as it counts the lines before it.
    const std::string where = describeScriptPosition(e, place);
    const size_t at = where.rfind(" line:");
    p.file = where.substr(0, at);
    if (at != std::string::npos) p.line = static_cast<uint32_t>(std::strtoul(where.c_str() + at + 6, nullptr, 10));
  }
  // The options' keys: their labels, a label repeated within the wait numbered.
  std::vector<size_t> index(options.size());
  for (size_t i = 0; i < options.size(); ++i) {
    std::string key = options[i].label;
    int repeat = 1;
    for (size_t j = 0; j < i; ++j) repeat += options[j].label == options[i].label;
    if (repeat > 1) key += "#" + std::to_string(repeat);
    size_t k = 0;
    while (k < p.options.size() && p.options[k].label != key) ++k;
    if (k == p.options.size()) p.options.push_back(Option{key, 0});
    index[i] = k;
  }
  size_t best = 0;
  for (size_t i = 1; i < options.size(); ++i)
    if (p.options[index[i]].taken < p.options[index[best]].taken) best = i;
  if (p.options[index[best]].taken++ == 0) ++pairsTaken_;
  return best;
}

// splitmix64: the same numbers on every machine, which the standard distributions do not promise.
uint64_t RandomStrategy::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

size_t RandomStrategy::choose(const Engine&, uint32_t, const std::vector<AutoplayOption>& options) {
  const uint64_t n = options.size();
  // Draws above the last whole multiple of n are drawn again, so every option is as likely.
  const uint64_t limit = UINT64_MAX - UINT64_MAX % n;
  uint64_t r = next();
  while (r >= limit) r = next();
  return static_cast<size_t>(r % n);
}

}  // namespace veloria
