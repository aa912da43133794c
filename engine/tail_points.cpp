#include "engine/tail_points.hpp"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "core/composition.hpp"
#include "engine/work_units.hpp"

namespace kestrav::engine {

namespace {

struct Line {
  std::uint16_t folded[kMaxTailLength - 2] = {};
  std::uint16_t start = 0;
  std::uint16_t length = 0;
  std::uint32_t firstTuple = 0;
};

// Groups the tuples of every sum into lines, longest first within the sum.
void buildTailLines(TailPoints& points) {
  const int length = points.length;
  const int folded = length - 2;
  const auto sums = points.offset.size();
  points.lineOffset.assign(sums, 0);
  points.lineCount.assign(sums, 0);
  std::vector<Line> all;
  for (int r = length; r <= points.largestSum; ++r) {
    std::vector<Line> lines;
    std::uint32_t tuple = 0;
    forEachComposition(static_cast<std::uint16_t>(length), r, [&](const std::uint16_t* c) {
      // A line starts where the last two entries are (s - 1, 1).
      if (c[length - 1] == 1) {
        Line line;
        for (int l = 0; l < folded; ++l)
          line.folded[l] = static_cast<std::uint16_t>(points.multiplier * c[l]);
        line.start = static_cast<std::uint16_t>(points.multiplier * c[length - 2]);
        line.length = c[length - 2];
        line.firstTuple = tuple;
        lines.push_back(line);
      }
      ++tuple;
    });
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.length > b.length; });
    points.lineOffset[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(all.size());
    points.lineCount[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(lines.size());
    all.insert(all.end(), lines.begin(), lines.end());
    all.resize(all.size() + kFilterPadding);  // padding lines: length 0
  }
  for (int l = 0; l < folded; ++l) points.lineFolded[l].resize(all.size());
  points.lineStart.resize(all.size());
  points.lineLength.resize(all.size());
  points.lineFirstTuple.resize(all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (int l = 0; l < folded; ++l) points.lineFolded[l][i] = all[i].folded[l];
    points.lineStart[i] = all[i].start;
    points.lineLength[i] = all[i].length;
    points.lineFirstTuple[i] = all[i].firstTuple;
  }
}

}  // namespace

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
    points.count[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(*compositionCount(r, length));
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
  if (length >= 2) buildTailLines(points);
  return points;
}

TailLines TailPoints::linesOf(int r) const {
  TailLines lines;
  const std::uint32_t first = lineOffset[static_cast<std::size_t>(r)];
  for (int l = 0; l + 2 < length; ++l) lines.folded[l] = lineFolded[l].data() + first;
  lines.start = lineStart.data() + first;
  lines.length = lineLength.data() + first;
  lines.firstTuple = lineFirstTuple.data() + first;
  lines.count = lineCount[static_cast<std::size_t>(r)];
  lines.multiplier = static_cast<std::uint16_t>(multiplier);
  return lines;
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
