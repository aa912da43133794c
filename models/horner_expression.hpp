#pragma once
// The nested (Horner) form of a block polynomial as one C++ expression in
// wrapping unsigned 32-bit arithmetic.

#include <string>
#include <vector>

#include "models/block_polynomial.hpp"

namespace kestrav {

// The nested expression of a block polynomial. names[j] is the C++ name of
// block entry j (an unsigned 32-bit value); order lists the block entries,
// outermost first (see models/nesting_order.hpp). Each entry in turn is
// factored out of the terms that contain it; the terms without it follow.
std::string hornerExpression(const BlockPolynomial& polynomial, const std::vector<std::string>& names,
                             const std::vector<int>& order);

}  // namespace kestrav
