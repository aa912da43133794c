#pragma once
// The constants every run is built with. The slot count is derived from the
// slot base exactly as the programs always have: 8 * (8 / 2 + 1) / 4 = 10.

#include <array>
#include <cstdint>

#include "core/layout.hpp"

namespace kestrav {

inline constexpr std::int32_t kSlotBase = 8;
inline constexpr std::int32_t kSlotCount = kSlotBase * (kSlotBase / 2 + 1) / 4;
inline constexpr std::int32_t kTotal = 50;
inline constexpr std::array<std::uint16_t, 3> kMultipliers = {1, 2, 5};

static_assert(kSlotCount == 10);

// Composition length of a program with the given removed count and layout.
constexpr std::int32_t compositionLength(std::int32_t removedCount, Layout layout) {
  return kSlotCount - removedCount - pinnedCount(layout);
}

// Composition sum of one scaled pass: total / multiplier - pinned count, the
// division taken on the two unsigned 16-bit arguments.
constexpr std::int32_t scaledCompositionSum(std::uint16_t total, std::uint16_t multiplier,
                                            std::int32_t pinned) {
  return static_cast<std::int32_t>(static_cast<std::uint16_t>(total / multiplier)) - pinned;
}

}  // namespace kestrav
