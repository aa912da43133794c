#pragma once
// The expanded block value det(G - diag(y)) of a Gram matrix G: a multilinear
// polynomial in y1..yb whose coefficient on the product of the entries in a
// subset S is (-1)^|S| times the principal minor of G on the complement of S.
// Subsets are bit masks, bit j standing for entry j + 1 of the block.

#include <cstdint>
#include <string>
#include <vector>

#include "models/gram_code.hpp"

namespace kestrav {

// Exact determinant of a square integer matrix (row-major) by fraction-free
// Bareiss elimination with row pivoting.
std::int64_t bareissDeterminant(std::vector<std::int64_t> matrix, int size);

// Principal minor M(T) of G for every subset mask T, with M(empty) = 1.
std::vector<std::int64_t> principalMinors(const GramMatrix& gram);

struct BlockPolynomial {
  int size = 0;                            // number of entries b
  std::vector<std::int64_t> coefficients;  // 2^b, indexed by subset mask
};

BlockPolynomial expandBlock(const GramMatrix& gram);

int termCount(const BlockPolynomial& polynomial);

// The rank of G: the largest size of a non-zero principal minor.
int gramRank(const std::vector<std::int64_t>& minors);

// Value at y1..yb in wrapping 32-bit arithmetic, read as signed.
std::int32_t evaluateWrapped(const BlockPolynomial& polynomial, const std::uint16_t* entries);

// Checks the invariants every catalogue block satisfies: all principal minors
// >= 0 (positive semidefinite, so every coefficient has the sign of
// (-1)^|S| or is 0), a rank in [minRank, maxRank], no constant term and every
// coefficient within +-maxCoefficient. Returns false and says which fails.
bool checkBlockInvariants(const GramMatrix& gram, int minRank, int maxRank, std::int64_t maxCoefficient,
                          std::string& error);

}  // namespace kestrav
