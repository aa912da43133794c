#include "models/nesting_order.hpp"

#include <algorithm>
#include <cstddef>

#include "core/layout.hpp"

namespace kestrav {

std::vector<int> loopNestingOrder(const std::vector<int>& positions, std::uint32_t constantEntries) {
  std::vector<int> order;
  for (int j = 0; j < static_cast<int>(positions.size()); ++j) {
    if (!((constantEntries >> j) & 1u)) order.push_back(j);
  }
  std::stable_sort(order.begin(), order.end(), [&positions](int a, int b) {
    return positions[static_cast<std::size_t>(a)] > positions[static_cast<std::size_t>(b)];
  });
  for (int j = 0; j < static_cast<int>(positions.size()); ++j) {
    if ((constantEntries >> j) & 1u) order.push_back(j);
  }
  return order;
}

std::uint32_t pinnedEntries(const VariantSpec& row, const ExpandedBlock& block) {
  std::uint32_t mask = 0;
  for (std::size_t j = 0; j < block.positions.size(); ++j) {
    if (isPinned(row.layout, block.positions[j], row.entryCount)) mask |= 1u << j;
  }
  return mask;
}

std::vector<int> programNestingOrder(const VariantSpec& row, const ExpandedBlock& block) {
  return loopNestingOrder(block.positions, pinnedEntries(row, block));
}

std::vector<int> naturalOrder(int size) {
  std::vector<int> order(static_cast<std::size_t>(size));
  for (int j = 0; j < size; ++j) order[static_cast<std::size_t>(j)] = j;
  return order;
}

}  // namespace kestrav
