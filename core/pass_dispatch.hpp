#pragma once
// Runs a pass body with the multiplier as a compile-time constant when it is
// one of the configured multipliers, so that the pinned entries and the
// products m * c[i] fold into the model's code. Any other multiplier runs the
// same body with the run-time value.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/run_constants.hpp"

namespace kestrav {

template <std::size_t I = 0, class Body>
void withConstantMultiplier(std::uint16_t multiplier, Body&& body) {
  if constexpr (I == kMultipliers.size()) {
    body(multiplier);
  } else if (multiplier == kMultipliers[I]) {
    body(std::integral_constant<std::uint16_t, kMultipliers[I]>{});
  } else {
    withConstantMultiplier<I + 1>(multiplier, body);
  }
}

}  // namespace kestrav

// validSet is inlined into each pass loop, where the multiplier is constant.
#define KESTRAV_PASS_INLINE [[gnu::always_inline]] inline
