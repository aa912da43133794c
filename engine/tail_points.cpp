#include "engine/tail_points.hpp"

#include <map>
#include <mutex>
#include <utility>

#include "core/composition.hpp"
#include "engine/work_units.hpp"

namespace kestrav::engine {

TailPoints buildTailPoints(int length, int multiplier, int largestSum) {
  TailPoints points;
  points.length = length;
  points.multiplier = multiplier;
  points.largestSum = largestSum;
  const auto sums = static_cast<std::size_t>(largestSum < 0 ? 1 : largestSum + 1);
  points.offset.assign(sums, 0);
  points.count.assign(sums, 0);
  std::size_t size = 0;
  for (int r = length; r <= largestSum; ++r) {
    points.offset[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(size);
    points.count[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(compositionCount(r, length));
    size += points.count[static_cast<std::size_t>(r)] + kFilterPadding;
  }
  for (int l = 0; l < length; ++l) points.entries[l].assign(size, 0);
  for (int r = length; r <= largestSum; ++r) {
    std::size_t at = points.offset[static_cast<std::size_t>(r)];
    forEachComposition(static_cast<std::uint16_t>(length), r, [&](const std::uint16_t* c) {
      for (int l = 0; l < length; ++l) points.entries[l][at] = static_cast<std::uint16_t>(multiplier * c[l]);
      ++at;
    });
  }
  return points;
}

std::shared_ptr<const TailPoints> sharedTailPoints(int length, int multiplier, int largestSum) {
  static std::mutex mutex;
  static std::map<std::pair<int, int>, std::shared_ptr<const TailPoints>> built;
  const std::lock_guard<std::mutex> lock(mutex);
  auto& slot = built[{length, multiplier}];
  if (!slot || slot->largestSum < largestSum) {
    slot = std::make_shared<const TailPoints>(buildTailPoints(length, multiplier, largestSum));
  }
  return slot;
}

}  // namespace kestrav::engine
