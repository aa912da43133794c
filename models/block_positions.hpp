#pragma once
// The rule that a model's blocks share out its entries: one rule for the
// catalogue's rows and the command's models.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace kestrav {

// Whether the blocks' positions (each a list of entry positions) together
// hold every entry 1..entryCount exactly once.
template <class Blocks>
bool blocksCoverOnce(const Blocks& blocks, int entryCount) {
  std::vector<int> covered;
  for (const auto& block : blocks)
    covered.insert(covered.end(), block.positions.begin(), block.positions.end());
  std::sort(covered.begin(), covered.end());
  if (static_cast<int>(covered.size()) != entryCount) return false;
  for (std::size_t p = 0; p < covered.size(); ++p) {
    if (covered[p] != static_cast<int>(p) + 1) return false;
  }
  return true;
}

}  // namespace kestrav
