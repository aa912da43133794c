#pragma once
// Enumeration of the compositions of f into n positive parts in decreasing
// lexicographic order: (f-n+1, 1, ..., 1) first, (1, ..., 1, f-n+1) last.
// One array serves the whole pass and is changed in place.

#include <cstdint>
#include <vector>

namespace kestrav {

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
// included, in decreasing lexicographic order. Requires 1 <= n <= f.
template <class Visit>
void forEachComposition(std::uint16_t n, std::int32_t f, Visit&& visit) {
  const std::int32_t finalLast = f - n + 1;
  std::vector<std::uint16_t> c(n, 1);
  c[0] = static_cast<std::uint16_t>(finalLast);
  visit(c.data());
  while (static_cast<std::int32_t>(c[n - 1]) != finalLast) {
    advanceComposition(c.data(), n);
    visit(c.data());
  }
}

}  // namespace kestrav
