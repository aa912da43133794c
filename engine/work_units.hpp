#pragma once
// The work of a search cut into units by the first entries of the
// composition (two where the walk allows), listed in enumeration order:
// pass by pass, each pass's prefixes in decreasing order. Writing the units'
// records in this order gives the whole result file; a contiguous run of
// units gives a contiguous part of it.

#include <cstdint>
#include <vector>

#include "engine/search_model.hpp"

namespace kestrav::engine {

inline constexpr int kMaxUnitPrefix = 2;

struct WorkUnit {
  int pass = 0;          // index into the model's multipliers
  int prefixLength = 0;  // 0..kMaxUnitPrefix
  int prefix[kMaxUnitPrefix] = {};
  double cost = 0;  // compositions under the prefix
};

// The prefix never reaches into the last tailLength entries.
std::vector<WorkUnit> planWorkUnits(const SearchModel& model, int tailLength);

// The units [first, last) of shard `index` (1-based) of `count`: contiguous
// slices of roughly equal cost, the same for every job that asks.
struct UnitRange {
  std::size_t first = 0;
  std::size_t last = 0;
};
UnitRange shardRange(const std::vector<WorkUnit>& units, int index, int count);

// Compositions of sum into parts positive parts: C(sum - 1, parts - 1).
double compositionCount(int sum, int parts);

}  // namespace kestrav::engine
