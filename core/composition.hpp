#pragma once
// Enumeration of the compositions of f into n positive parts in decreasing
// lexicographic order: (f-n+1, 1, ..., 1) first, (1, ..., 1, f-n+1) last.
//
// Most successors only move one unit from the second-last entry to the last:
// the compositions that share all but their last two entries form a line
// along which those two run from (s-1, 1) to (1, s-1). Both enumerations
// below walk each line as an inner loop.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <optional>
#include <vector>

namespace kestrav {

// Compositions of sum into parts positive parts, C(sum - 1, parts - 1), the
// visits of a pass; nothing when the count does not fit 64 bits.
inline std::optional<std::uint64_t> compositionCount(std::int64_t sum, int parts) {
  if (parts < 1 || sum < parts) return 0;
  // C(a, k) built as C(a - k + i, i) for i = 1..k; each step is exact, and
  // dividing by the common factor first keeps the product from overflowing
  // while the result still fits.
  const std::int64_t a = sum - 1;
  const std::int64_t k = std::min<std::int64_t>(parts - 1, a - (parts - 1));
  std::uint64_t count = 1;
  for (std::int64_t i = 1; i <= k; ++i) {
    const auto factor = static_cast<std::uint64_t>(a - k + i);
    const auto divisor = static_cast<std::uint64_t>(i);
    const std::uint64_t common = std::gcd(count, divisor);
    std::uint64_t product = 0;
    if (__builtin_mul_overflow(count / common, factor / (divisor / common), &product)) return std::nullopt;
    count = product;
  }
  return count;
}

// Replaces c[0..n-1] by its successor in decreasing lexicographic order.
// One unit moves out of the rightmost non-1 entry before the last one, and
// the entries after it become the largest suffix with their former sum + 1.
// Precondition: c is not the last composition (its first n-1 entries are
// not all 1).
inline void advanceComposition(std::uint16_t* c, std::int32_t n) {
  std::int32_t i = n - 1;
  while (c[i] == 1) --i;
  if (i < n - 1) {
    // The last entry is 1, and so is every entry after i.
    c[i] = static_cast<std::uint16_t>(c[i] - 1);
    c[i + 1] = 2;
    return;
  }
  i = n - 2;
  while (c[i] == 1) --i;
  c[i] = static_cast<std::uint16_t>(c[i] - 1);
  const std::uint16_t last = c[n - 1];
  c[n - 1] = 1;
  // When i + 1 == n - 1 this overwrites the 1 just stored; the order matters.
  c[i + 1] = static_cast<std::uint16_t>(last + 1);
}

// Calls visit(c) on every composition of f into n parts, first and last
// included, in decreasing lexicographic order; c points at one array of n
// entries changed in place. Requires 1 <= n <= f.
template <class Visit>
void forEachComposition(std::uint16_t n, std::int32_t f, Visit&& visit) {
  const std::int32_t finalLast = f - n + 1;
  std::vector<std::uint16_t> entries(n, 1);
  std::uint16_t* const c = entries.data();
  c[0] = static_cast<std::uint16_t>(finalLast);
  if (n == 1) {
    visit(c);
    return;
  }
  const std::int32_t secondLast = n - 2;
  for (;;) {
    // Every line starts at (s-1, 1): the successor of a line's end (..., 1, t)
    // is (..., t+1, 1) or, when an earlier entry gives the unit, (..., 1, 1).
    const std::int32_t s = c[secondLast] + c[n - 1];
    for (std::int32_t last = 1; last < s; ++last) {
      c[secondLast] = static_cast<std::uint16_t>(s - last);
      c[n - 1] = static_cast<std::uint16_t>(last);
      visit(c);
    }
    // The line ended at (..., 1, s-1); with s-1 == f-n+1 the entries before
    // are all 1 and that was the last composition.
    if (s - 1 == finalLast) return;
    advanceComposition(c, n);
  }
}

namespace detail {

// Entry I of every composition whose entries before I are set and sum to
// f - rest: it counts down from the most the entries after it leave (each
// of them at least 1) to 1; the last entry takes what remains.
template <std::size_t N, std::size_t I, class Visit>
[[gnu::always_inline]] inline void compositionsFrom(std::array<std::uint16_t, N>& c, std::int32_t rest,
                                                    Visit& visit) {
  if constexpr (I + 1 == N) {
    c[I] = static_cast<std::uint16_t>(rest);
    visit(c.data());
  } else {
    constexpr auto kAfter = static_cast<std::int32_t>(N - 1 - I);
    for (std::int32_t value = rest - kAfter; value >= 1; --value) {
      c[I] = static_cast<std::uint16_t>(value);
      compositionsFrom<N, I + 1>(c, rest - value, visit);
    }
  }
}

}  // namespace detail

// The same enumeration for a length fixed at compile time, as N - 1 nested
// loops, entry 0 outermost; the innermost loop walks one line. Inlined with
// visit, a computation that depends only on the entries of enclosing loops
// is left to the compiler to hoist out of the loops inside them: most of a
// model written with the later entries outermost is computed once per line
// or less often, not once per composition. Requires 1 <= N <= f.
template <std::size_t N, class Visit>
[[gnu::always_inline]] inline void forEachComposition(std::int32_t f, Visit&& visit) {
  static_assert(N >= 1);
  std::array<std::uint16_t, N> c{};
  detail::compositionsFrom<N, 0>(c, f, visit);
}

}  // namespace kestrav
