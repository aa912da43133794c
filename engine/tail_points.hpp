#pragma once
// The tuples of the last L entries for one pass: for every remaining sum r,
// the compositions of r into L parts in decreasing lexicographic order, as
// entries m * c, one array per tail entry (the layout the filter loads).

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/tail_filter.hpp"

namespace kestrav::engine {

// The most tuples a table may hold (each takes 2 bytes per tail entry).
inline constexpr double kMaxTailTuples = 1 << 22;

struct TailPoints {
  int length = 0;                                      // L
  int multiplier = 1;                                  // m
  int largestSum = 0;                                  // the largest r held
  std::vector<std::uint32_t> offset;                   // by r: first tuple of r in each entry array
  std::vector<std::uint32_t> count;                    // by r: C(r - 1, L - 1), 0 below L
  std::vector<std::uint16_t> entries[kMaxTailLength];  // padded after each r by kFilterPadding
};

// Requires 1 <= length <= kMaxTailLength and multiplier * largestSum < 2^16.
TailPoints buildTailPoints(int length, int multiplier, int largestSum);

// The same tuples, shared: a table built once serves every later search with
// the same length and multiplier and no larger sum (the tuples of a sum do
// not depend on the largest one held). Safe to call from several threads.
std::shared_ptr<const TailPoints> sharedTailPoints(int length, int multiplier, int largestSum);

}  // namespace kestrav::engine
