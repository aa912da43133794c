#pragma once
// An independent determinant for checking the generated models: Laplace
// expansion row by row over subsets of columns (k * 2^k steps), using only
// ring operations, so it is exact in any integer type and reduces modulo
// 2^32 exactly when computed in std::uint32_t.

#include <bit>
#include <cstdint>
#include <vector>

namespace kestrav::testing {

template <class Ring>
Ring subsetExpansionDeterminant(const std::vector<Ring>& matrix, int size) {
  // partial[mask]: signed sum over the ways of giving the first popcount(mask)
  // rows distinct columns from mask.
  std::vector<Ring> partial(std::size_t{1} << size, Ring(0));
  partial[0] = Ring(1);
  for (std::uint32_t mask = 0; mask + 1 < partial.size(); ++mask) {
    if (partial[mask] == Ring(0)) continue;
    const int row = std::popcount(mask);
    for (int column = 0; column < size; ++column) {
      const std::uint32_t bit = 1u << column;
      if (mask & bit) continue;
      // Sign of placing this column after those already used: one
      // transposition for every used column to its right.
      const bool odd = std::popcount(mask & ~((bit << 1) - 1)) % 2 != 0;
      const Ring term = partial[mask] * matrix[static_cast<std::size_t>(row * size + column)];
      partial[mask | bit] = odd ? partial[mask | bit] - term : partial[mask | bit] + term;
    }
  }
  return partial.back();
}

}  // namespace kestrav::testing
