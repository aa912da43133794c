#pragma once
// What a catalogue model should return, computed without the generated code:
// each block's determinant by the subset expansion, reduced to 32 bits as the
// programs' arithmetic wraps, and for two blocks the sum of squares or
// INT32_MIN when it does not fit.

#include <cmath>
#include <cstdint>
#include <vector>

#include "models/gram_code.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/determinant_oracle.hpp"

namespace kestrav::testing {

// det(G - diag(y)) in the ring R.
template <class R>
R blockDeterminant(const GramMatrix& gram, const std::vector<std::uint16_t>& y) {
  std::vector<R> m(gram.elements.size());
  for (int r = 0; r < gram.size; ++r) {
    for (int c = 0; c < gram.size; ++c) {
      m[gram.index(r, c)] = static_cast<R>(gram.at(r, c)) - (r == c ? R(y[r]) : R(0));
    }
  }
  return subsetExpansionDeterminant(m, gram.size);
}

inline std::int32_t oracleModel(const CatalogueRow& row, const std::vector<std::uint16_t>& entries) {
  std::vector<std::int32_t> values;
  for (const ExpandedBlock& block : row.blocks) {
    std::vector<std::uint16_t> y;
    for (int p : block.positions) y.push_back(entries[static_cast<std::size_t>(p - 1)]);
    values.push_back(static_cast<std::int32_t>(blockDeterminant<std::uint32_t>(block.gram, y)));
  }
  if (values.size() == 1) return values[0];
  // The squares in double precision, the sum truncated when it fits.
  const double sum =
      std::pow(static_cast<double>(values[1]), 2) + std::pow(static_cast<double>(values[0]), 2);
  return sum >= 2147483648.0 ? INT32_MIN : static_cast<std::int32_t>(sum);
}

}  // namespace kestrav::testing
