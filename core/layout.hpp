#pragma once
// How a program forms its entry tuple from a composition, and which entries
// are pinned to the pass's multiplier. The layouts, the families and their
// names are the library's public vocabulary.

#include "kestrav/layout.hpp"

namespace kestrav {

// Whether entry `position` (1-based) of a k-entry tuple is pinned.
constexpr bool isPinned(Layout layout, int position, int entryCount) {
  return (pinsHead(layout) && position == 1) || (pinsTail(layout) && position == entryCount);
}

}  // namespace kestrav
