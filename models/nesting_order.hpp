#pragma once
// The order in which a model block's entries are factored out of its
// polynomial, outermost first (see models/horner_expression.hpp).

#include <cstdint>
#include <vector>

#include "models/catalogue.hpp"

namespace kestrav {

// The nesting order of a program's model block, whose entry j is the tuple's
// entry positions[j]: the entries not in constantEntries from the last
// position to the first, then the constant ones. The programs enumerate
// compositions in nested loops, the later entries in the inner loops, so
// in this order every subexpression depends only on entries of its loop and
// the loops around it, and the compiler hoists it out of the loops inside.
std::vector<int> loopNestingOrder(const std::vector<int>& positions, std::uint32_t constantEntries);

// The entries of a row's block that are the pass's multiplier, as a mask
// over the block's entries: constants in each pass of a scaled program.
std::uint32_t pinnedEntries(const VariantSpec& row, const ExpandedBlock& block);

// The programs' order for a row's block: loopNestingOrder with the pinned
// entries as constants.
std::vector<int> programNestingOrder(const VariantSpec& row, const ExpandedBlock& block);

// The block's entries in their natural order, 0 outermost.
std::vector<int> naturalOrder(int size);

}  // namespace kestrav
