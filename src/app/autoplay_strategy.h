// The autoplay strategies: first (the wait's first option), explore (the option taken least
// often so far at that place) and random:SEED. Each is deterministic.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/autoplay_port.h"

namespace veloria {

struct Engine;

// What autoplay takes at each choice and button wait of a run.
class AutoplayStrategy {
 public:
  virtual ~AutoplayStrategy() = default;
  // The index of the option to take (`options` is never empty); `place` is the script
  // position of the waiting statement.
  virtual size_t choose(const Engine& e, uint32_t place, const std::vector<AutoplayOption>& options) = 0;
};

// "first", "explore" or "random:SEED" as given to --autoplay=. nullopt when it is none of them.
struct AutoplayChoice {
  enum class Kind { First, Explore, Random } kind = Kind::First;
  uint64_t seed = 0;
};
std::optional<AutoplayChoice> parseAutoplayChoice(std::string_view text);
// The strategy for a choice; nullptr for first (autoplay's own choice).
std::shared_ptr<AutoplayStrategy> makeAutoplayStrategy(const AutoplayChoice& choice);

// Explore: at each place the option taken least often so far, ties to the first in order.
// The counts stay with the object, so a second run on it takes what the first did not.
class ExploreStrategy final : public AutoplayStrategy {
 public:
  struct Option {
    std::string label;  // UTF-8; a repeated text gets "#2", "#3" ...
    uint64_t taken = 0;
  };
  struct Place {
    std::string file;  // "0.txt"
    uint32_t line = 0;
    std::vector<Option> options;  // every option seen there, in the order first seen
  };

  size_t choose(const Engine& e, uint32_t place, const std::vector<AutoplayOption>& options) override;
  const std::map<uint32_t, Place>& places() const { return places_; }
  // How many (place, option) pairs have been taken at least once.
  size_t pairsTaken() const { return pairsTaken_; }

 private:
  std::map<uint32_t, Place> places_;
  size_t pairsTaken_ = 0;
};

// Random: a uniformly drawn option from a generator seeded with SEED.
class RandomStrategy final : public AutoplayStrategy {
 public:
  explicit RandomStrategy(uint64_t seed) : state_(seed) {}
  size_t choose(const Engine& e, uint32_t place, const std::vector<AutoplayOption>& options) override;

 private:
  uint64_t next();
  uint64_t state_;
};

}  // namespace veloria
