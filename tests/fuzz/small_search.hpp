#pragma once
// Models built from fuzzed text: the settings they are built with, and a
// search of those small enough to search on every input.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "kestrav/model.hpp"

namespace kestrav::fuzz {

struct ModelSettings {
  Layout layout = Layout::Bare;
  int total = 0;
  std::vector<int> multipliers;
};

// The layout and total are picked by the sum of the input's bytes, so that
// the fuzzer reaches every layout and both evaluation widths with any model.
ModelSettings settingsFor(std::string_view input);

// Blocks of more entries are refused by the targets before they are built:
// expanding one of 15 or 16 entries takes seconds under the fuzzer's
// instrumentation, which would make the fuzzer report it as hanging.
inline constexpr std::size_t kMaxFuzzedBlockEntries = 14;
inline bool tooCostly(std::size_t blockEntries) {
  return blockEntries > kMaxFuzzedBlockEntries && blockEntries <= static_cast<std::size_t>(kMaxModelEntries);
}

// Evaluates the blocks at a tuple taken from the input's bytes (negative
// values included, where no search reaches).
void evaluateAt(const Model& model, std::string_view input);

// Searches the model when it has at most kMaxSearched compositions and
// checks the records: each sums to the total with positive multiples of its
// pass's multiplier, the first ones make every block exactly zero, and the
// scalar kernel counts as many records as the widest one.
inline constexpr std::uint64_t kMaxSearched = 100000;
void searchIfSmall(const Model& model, std::string_view input);

}  // namespace kestrav::fuzz
