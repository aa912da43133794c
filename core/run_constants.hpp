#pragma once
// The constants every run is built with. A full tuple has ten entries (the
// slots); a row with k entries leaves 10 - k of them out. The full count is
// derived from its base exactly as the programs always have:
// 8 * (8 / 2 + 1) / 4 = 10.

#include <array>
#include <cstdint>

#include "core/layout.hpp"

namespace kestrav {

inline constexpr std::int32_t kFullEntryCountBase = 8;
inline constexpr std::int32_t kFullEntryCount = kFullEntryCountBase * (kFullEntryCountBase / 2 + 1) / 4;
inline constexpr std::int32_t kTotal = 50;
inline constexpr std::array<std::uint16_t, 3> kMultipliers = {1, 2, 5};

static_assert(kFullEntryCount == 10);

// Composition length: the entries the composition fills, all but the
// pinned ones.
constexpr std::int32_t compositionLength(std::int32_t entryCount, Layout layout) {
  return entryCount - pinnedCount(layout);
}

// Composition sum of the pass with this multiplier: the total over the
// multiplier less the pinned entries, which hold the multiplier. An unscaled
// pass (multiplier 1, nothing pinned) sums to the total.
constexpr std::int32_t compositionSum(std::int32_t total, std::int32_t multiplier, Layout layout) {
  return total / multiplier - pinnedCount(layout);
}

}  // namespace kestrav
