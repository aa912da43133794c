#pragma once
// The tuples of the last L entries for one pass: for every remaining sum r,
// the compositions of r into L parts in decreasing lexicographic order, as
// entries m * c, one array per tail entry (the layout the filter loads).
//
// For L >= 2 the same tuples also as lines: the tuples that share their
// first L - 2 entries, along which the last two entries run from (s - 1, 1)
// to (1, s - 1). Within each r the lines are sorted by length, longest
// first, so that lines of similar length share a vector.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/tail_filter.hpp"

namespace kestrav::engine {

// The most tuples a table may hold (each takes 2 bytes per tail entry).
inline constexpr std::uint64_t kMaxTailTuples = std::uint64_t{1} << 22;

struct TailTable {
  int length = 0;                                      // L
  int multiplier = 1;                                  // m
  int largestSum = 0;                                  // the largest r held
  std::vector<std::uint32_t> offset;                   // by r: first tuple of r in each entry array
  std::vector<std::uint32_t> count;                    // by r: C(r - 1, L - 1), 0 below L
  std::vector<std::uint16_t> entries[kMaxTailLength];  // padded after each r by kFilterPadding

  // Lines, by r: the first line of r and how many there are (padding not
  // counted; padding lines have length 0).
  std::vector<std::uint32_t> lineOffset;
  std::vector<std::uint32_t> lineCount;
  std::vector<std::uint16_t> lineFolded[kMaxTailLength - 2];  // the line's first L - 2 entries
  std::vector<std::uint16_t> lineStart;                       // entry L - 2 of its first tuple
  std::vector<std::uint16_t> lineLength;                      // its tuples
  std::vector<std::uint32_t> lineFirstTuple;                  // its first tuple, counted from offset[r]

  // The filter's view of the lines of r (length >= 2 only).
  TailLines linesOf(int r) const;
};

// Requires 1 <= length <= kMaxTailLength and multiplier * largestSum < 2^16.
TailTable buildTailTable(int length, int multiplier, int largestSum);

// The same tuples, shared: a table built once serves every later search with
// the same length and multiplier and no larger sum (the tuples of a sum do
// not depend on the largest one held). Safe to call from several threads.
std::shared_ptr<const TailTable> sharedTailTable(int length, int multiplier, int largestSum);

}  // namespace kestrav::engine
