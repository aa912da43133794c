#pragma once
// One pass of a search prepared for the prefix walk: the pinned entries
// substituted with the multiplier, and every block's coefficient table
// re-indexed over its free entries in composition order, so that the entry
// substituted next is always bit 0 of the table. Words are unsigned (uint32_t
// or uint64_t) and all arithmetic wraps; the model's bound makes it exact.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/layout.hpp"
#include "engine/search_model.hpp"
#include "engine/tail_table.hpp"
#include "engine/work_units.hpp"

namespace kestrav::engine {

template <class Word>
struct PassModel {
  struct Block {
    std::vector<int> positions;  // composition positions (0-based) of the free entries, ascending
    std::vector<Word> table;     // 2^positions.size()
  };
  Layout layout = Layout::Bare;
  int multiplier = 1;
  int length = 0;      // n
  int sum = 0;         // f; no compositions when f < n
  int tailLength = 0;  // L = min(requested, n)
  bool empty = false;  // no compositions, or a block whose entries are all pinned is not 0
  std::vector<Block> blocks;
  std::shared_ptr<const TailTable> tailTable;
};

// The entries of a pass evaluated in bulk: the length asked for, shorter
// where the tail table would grow too large.
int passTailLength(const SearchModel& model, int multiplier, int requestedTailLength);

template <class Word>
PassModel<Word> buildPassModel(const SearchModel& model, int multiplier, int requestedTailLength);

// How the work of the pass is cut into units.
template <class Word>
PassShape shapeOf(const PassModel<Word>& pass) {
  return {pass.length, pass.sum, pass.length - pass.tailLength, pass.empty};
}

extern template PassModel<std::uint32_t> buildPassModel(const SearchModel&, int, int);
extern template PassModel<std::uint64_t> buildPassModel(const SearchModel&, int, int);

}  // namespace kestrav::engine
