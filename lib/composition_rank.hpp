#pragma once
// The place of a composition among the compositions of its sum into its
// number of parts, in the search's order (decreasing lexicographic, the
// first at 0), and the composition at a place. The compositions greater
// than c that first differ at i are those of s_i - c_i into n - i parts
// (s_i: the sum of c_i..c_n-1), which gives both directions in O(n) and
// O(n * sum) steps.

#include <cstdint>
#include <vector>

#include "core/composition.hpp"

namespace kestrav::detail {

// Requires a composition whose count fits 64 bits.
inline std::uint64_t compositionRank(const std::vector<std::int64_t>& c) {
  std::int64_t rest = 0;
  for (std::int64_t part : c) rest += part;
  std::uint64_t rank = 0;
  const int n = static_cast<int>(c.size());
  for (int i = 0; i < n; ++i) {
    rank += compositionCount(rest - c[static_cast<std::size_t>(i)], n - i).value_or(0);
    rest -= c[static_cast<std::size_t>(i)];
  }
  return rank;
}

// The composition of sum into parts at rank (below their count).
inline std::vector<std::int64_t> compositionAt(std::int64_t sum, int parts, std::uint64_t rank) {
  std::vector<std::int64_t> c(static_cast<std::size_t>(parts), 1);
  std::int64_t rest = sum;
  for (int i = 0; i + 1 < parts; ++i) {
    const int after = parts - i - 1;
    std::int64_t value = rest - after;
    for (; value > 1; --value) {
      const std::uint64_t with = compositionCount(rest - value, after).value_or(0);
      if (rank < with) break;
      rank -= with;
    }
    c[static_cast<std::size_t>(i)] = value;
    rest -= value;
  }
  c.back() = rest;
  return c;
}

}  // namespace kestrav::detail
