#pragma once
// Checks that a program's catalogue row agrees with the run constants and
// gives the derived sizes. A program's source brings its row's names
// (kProgramNumber, kFamily, kLayout, kRemovedCount, kEntryCount, CalculDet)
// into scope before including its family's program header.

#include <cstdint>

#include "core/layout.hpp"
#include "core/run_constants.hpp"

namespace kestrav {

template <Layout L, std::int32_t RemovedCount, std::int32_t EntryCount>
struct RowShape {
  static_assert(RemovedCount >= 0 && RemovedCount <= 4, "removed count out of range");
  static_assert(kSlotCount - RemovedCount == EntryCount, "entry count disagrees with the slot count");
  static constexpr std::int32_t kPinned = pinnedCount(L);
  static constexpr std::int32_t kLength = compositionLength(RemovedCount, L);
  static_assert(kLength >= 1);
};

}  // namespace kestrav
