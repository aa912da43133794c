#include "engine/pass_model.hpp"

#include <algorithm>
#include <utility>

#include "engine/work_units.hpp"

namespace kestrav::engine {

int passTailLength(const SearchModel& model, int multiplier, int requestedTailLength) {
  const int length = compositionLength(model);
  const int sum = compositionSum(model, multiplier);
  int tail = std::min(requestedTailLength, length);
  // The tuples of every tail sum up to S number C(S, L); a large total gets
  // a shorter tail so that the table stays small.
  while (tail > 1 &&
         compositionCount(sum - (length - tail) + 1, tail + 1).value_or(UINT64_MAX) > kMaxTailTuples) {
    --tail;
  }
  return tail;
}

template <class Word>
PassModel<Word> buildPassModel(const SearchModel& model, int multiplier, int requestedTailLength) {
  PassModel<Word> pass;
  pass.layout = model.layout;
  pass.multiplier = multiplier;
  pass.length = compositionLength(model);
  pass.sum = compositionSum(model, multiplier);
  pass.tailLength = passTailLength(model, multiplier, requestedTailLength);
  pass.empty = pass.sum < pass.length;
  const int headShift = pinsHead(model.layout) ? 1 : 0;
  for (const ModelBlock& block : model.blocks) {
    // Free entries of the block as (composition position, block-local bit).
    std::vector<std::pair<int, int>> freeEntries;
    for (std::size_t j = 0; j < block.positions.size(); ++j) {
      const int entry = block.positions[j];
      const bool pinned = isPinned(model.layout, entry, model.entryCount);
      if (!pinned) freeEntries.emplace_back(entry - 1 - headShift, static_cast<int>(j));
    }
    std::sort(freeEntries.begin(), freeEntries.end());
    std::vector<int> newBit(block.positions.size(), -1);
    typename PassModel<Word>::Block prepared;
    for (std::size_t i = 0; i < freeEntries.size(); ++i) {
      prepared.positions.push_back(freeEntries[i].first);
      newBit[static_cast<std::size_t>(freeEntries[i].second)] = static_cast<int>(i);
    }
    prepared.table.assign(std::size_t{1} << freeEntries.size(), 0);
    for (std::size_t mask = 0; mask < block.coefficients.size(); ++mask) {
      Word term = static_cast<Word>(block.coefficients[mask]);
      std::size_t target = 0;
      for (std::size_t j = 0; j < block.positions.size(); ++j) {
        if ((mask >> j & 1) == 0) continue;
        if (newBit[j] < 0) {
          term = static_cast<Word>(term * static_cast<Word>(multiplier));
        } else {
          target |= std::size_t{1} << newBit[j];
        }
      }
      prepared.table[target] = static_cast<Word>(prepared.table[target] + term);
    }
    if (freeEntries.empty() && prepared.table[0] != 0) pass.empty = true;
    pass.blocks.push_back(std::move(prepared));
  }
  if (!pass.empty) {
    pass.tailTable = sharedTailTable(pass.tailLength, multiplier, pass.sum - (pass.length - pass.tailLength));
  }
  return pass;
}

template PassModel<std::uint32_t> buildPassModel(const SearchModel&, int, int);
template PassModel<std::uint64_t> buildPassModel(const SearchModel&, int, int);

}  // namespace kestrav::engine
