#pragma once
// How a program forms its entry tuple from a composition, and which entries
// are pinned to the pass's multiplier.

#include <cstdint>

namespace kestrav {

enum class Family { Scaled, Unscaled };

// BothEnds: (m, m*c1 .. m*cn, m)   HeadOnly: (m, m*c1 .. m*cn)
// TailOnly: (m*c1 .. m*cn, m)      Bare:     (c1 .. cn), unscaled only
enum class Layout { BothEnds, HeadOnly, TailOnly, Bare };

constexpr std::int32_t pinnedCount(Layout layout) {
  switch (layout) {
    case Layout::BothEnds:
      return 2;
    case Layout::HeadOnly:
    case Layout::TailOnly:
      return 1;
    case Layout::Bare:
      return 0;
  }
  return 0;
}

constexpr bool pinsHead(Layout layout) { return layout == Layout::BothEnds || layout == Layout::HeadOnly; }

constexpr bool pinsTail(Layout layout) { return layout == Layout::BothEnds || layout == Layout::TailOnly; }

}  // namespace kestrav
