#include "models/block_polynomial.hpp"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <utility>

namespace kestrav {

std::int64_t bareissDeterminant(std::vector<std::int64_t> matrix, int size) {
  const auto at = [&matrix, size](int r, int c) -> std::int64_t& {
    return matrix[static_cast<std::size_t>(r) * static_cast<std::size_t>(size) + static_cast<std::size_t>(c)];
  };
  std::int64_t sign = 1;
  std::int64_t previousPivot = 1;
  for (int k = 0; k < size; ++k) {
    int pivotRow = k;
    while (pivotRow < size && at(pivotRow, k) == 0) ++pivotRow;
    if (pivotRow == size) return 0;
    if (pivotRow != k) {
      for (int c = 0; c < size; ++c) std::swap(at(k, c), at(pivotRow, c));
      sign = -sign;
    }
    for (int r = k + 1; r < size; ++r) {
      for (int c = k + 1; c < size; ++c) {
        // Exact: Bareiss guarantees the division leaves no remainder.
        at(r, c) = (at(r, c) * at(k, k) - at(r, k) * at(k, c)) / previousPivot;
      }
      at(r, k) = 0;
    }
    previousPivot = at(k, k);
  }
  return sign * (size == 0 ? 1 : at(size - 1, size - 1));
}

std::vector<std::int64_t> principalMinors(const GramMatrix& gram) {
  const int b = gram.size;
  std::vector<std::int64_t> minors(std::size_t{1} << b);
  std::vector<int> rows;
  std::vector<std::int64_t> sub;
  for (std::uint32_t mask = 0; mask < minors.size(); ++mask) {
    rows.clear();
    for (int j = 0; j < b; ++j) {
      if (mask & (1u << j)) rows.push_back(j);
    }
    const int m = static_cast<int>(rows.size());
    const auto width = static_cast<std::size_t>(m);
    sub.assign(width * width, 0);
    for (std::size_t r = 0; r < width; ++r) {
      for (std::size_t c = 0; c < width; ++c) sub[r * width + c] = gram.at(rows[r], rows[c]);
    }
    minors[mask] = bareissDeterminant(sub, m);
  }
  return minors;
}

BlockPolynomial expandBlock(const GramMatrix& gram) {
  const std::vector<std::int64_t> minors = principalMinors(gram);
  const std::uint32_t all = static_cast<std::uint32_t>(minors.size()) - 1;
  BlockPolynomial polynomial{gram.size, std::vector<std::int64_t>(minors.size())};
  for (std::uint32_t subset = 0; subset <= all; ++subset) {
    const std::int64_t minor = minors[all & ~subset];
    polynomial.coefficients[subset] = (std::popcount(subset) % 2 == 0) ? minor : -minor;
  }
  return polynomial;
}

int termCount(const BlockPolynomial& polynomial) {
  int count = 0;
  for (std::int64_t c : polynomial.coefficients) count += (c != 0);
  return count;
}

int gramRank(const std::vector<std::int64_t>& minors) {
  int rank = 0;
  for (std::uint32_t mask = 0; mask < minors.size(); ++mask) {
    if (minors[mask] != 0) rank = std::max(rank, std::popcount(mask));
  }
  return rank;
}

std::int32_t evaluateWrapped(const BlockPolynomial& polynomial, const std::uint16_t* entries) {
  std::uint32_t sum = 0;
  for (std::uint32_t subset = 0; subset < polynomial.coefficients.size(); ++subset) {
    std::uint32_t term = static_cast<std::uint32_t>(polynomial.coefficients[subset]);
    for (int j = 0; j < polynomial.size; ++j) {
      if (subset & (1u << j)) term *= entries[j];
    }
    sum += term;
  }
  return static_cast<std::int32_t>(sum);
}

bool checkBlockInvariants(const GramMatrix& gram, int minRank, int maxRank, std::int64_t maxCoefficient,
                          std::string& error) {
  const std::vector<std::int64_t> minors = principalMinors(gram);
  for (std::uint32_t mask = 0; mask < minors.size(); ++mask) {
    if (minors[mask] < 0) {
      error = "the matrix is not positive semidefinite (a principal minor is " +
              std::to_string(minors[mask]) + ")";
      return false;
    }
  }
  const int rank = gramRank(minors);
  if (rank < minRank || rank > maxRank) {
    error = "the matrix has rank " + std::to_string(rank) + ", expected " + std::to_string(minRank) +
            (minRank == maxRank ? "" : " to " + std::to_string(maxRank));
    return false;
  }
  const BlockPolynomial polynomial = expandBlock(gram);
  if (polynomial.coefficients[0] != 0) {
    error = "the model has a constant term " + std::to_string(polynomial.coefficients[0]);
    return false;
  }
  for (std::int64_t c : polynomial.coefficients) {
    if (std::llabs(c) > maxCoefficient) {
      error = "a coefficient " + std::to_string(c) + " lies outside +-" + std::to_string(maxCoefficient);
      return false;
    }
  }
  return true;
}

}  // namespace kestrav
