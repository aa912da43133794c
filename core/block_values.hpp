#pragma once
// Combines the two block values of a two-block model: V1^2 + V2^2, exact in
// 64 bits, returned when it fits a signed 32-bit int and -2,147,483,648
// otherwise. This is the truncating double conversion of the sum, done in
// integers so that an out-of-range sum is never converted (undefined in C++).
// The result is 0 exactly when both block values are 0.

#include <cstdint>
#include <limits>

namespace kestrav {

constexpr std::int32_t combineBlockValues(std::int32_t first, std::int32_t second) {
  const auto square = [](std::int32_t v) {
    const auto magnitude = static_cast<std::uint64_t>(v < 0 ? -static_cast<std::int64_t>(v) : v);
    return magnitude * magnitude;  // at most 2^62
  };
  const std::uint64_t sum = square(second) + square(first);
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  return sum <= kMax ? static_cast<std::int32_t>(sum) : std::numeric_limits<std::int32_t>::min();
}

}  // namespace kestrav
