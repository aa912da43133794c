#pragma once
// Checks that a program's catalogue row agrees with the run constants and
// gives the derived sizes. Row is the type its model header defines: the
// constants kProgramNumber, kFamily, kLayout, kRemovedEntryCount, kEntryCount and
// the model CalculDet (see core/program.hpp).

#include <cstdint>

#include "core/layout.hpp"
#include "core/run_constants.hpp"

namespace kestrav {

template <class Row>
struct RowShape {
  static_assert(Row::kRemovedEntryCount >= 0 && Row::kRemovedEntryCount <= 4, "removed count out of range");
  static_assert(kFullEntryCount - Row::kRemovedEntryCount == Row::kEntryCount,
                "entry count disagrees with the full entry count");
  static_assert((Row::kFamily == Family::Scaled) == (Row::kLayout != Layout::Bare),
                "a scaled row pins the multiplier, an unscaled one pins nothing");
  static constexpr bool kScaled = Row::kFamily == Family::Scaled;
  static constexpr std::int32_t kLength =
      compositionLength(kFullEntryCount - Row::kRemovedEntryCount, Row::kLayout);
  static_assert(kLength >= 1);
};

}  // namespace kestrav
