#include "engine/tail_table.hpp"

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
void buildTailLines(TailTable& table) {
  const int length = table.length;
  const int folded = length - 2;
  const auto sums = table.offset.size();
  table.lineOffset.assign(sums, 0);
  table.lineCount.assign(sums, 0);
  std::vector<Line> all;
  for (int r = length; r <= table.largestSum; ++r) {
    std::vector<Line> lines;
    std::uint32_t tuple = 0;
    forEachComposition(static_cast<std::uint16_t>(length), r, [&](const std::uint16_t* c) {
      // A line starts where the last two entries are (s - 1, 1).
      if (c[length - 1] == 1) {
        Line line;
        for (int l = 0; l < folded; ++l) line.folded[l] = static_cast<std::uint16_t>(table.multiplier * c[l]);
        line.start = static_cast<std::uint16_t>(table.multiplier * c[length - 2]);
        line.length = c[length - 2];
        line.firstTuple = tuple;
        lines.push_back(line);
      }
      ++tuple;
    });
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.length > b.length; });
    table.lineOffset[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(all.size());
    table.lineCount[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(lines.size());
    all.insert(all.end(), lines.begin(), lines.end());
    all.resize(all.size() + kFilterPadding);  // padding lines: length 0
  }
  for (int l = 0; l < folded; ++l) table.lineFolded[l].resize(all.size());
  table.lineStart.resize(all.size());
  table.lineLength.resize(all.size());
  table.lineFirstTuple.resize(all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (int l = 0; l < folded; ++l) table.lineFolded[l][i] = all[i].folded[l];
    table.lineStart[i] = all[i].start;
    table.lineLength[i] = all[i].length;
    table.lineFirstTuple[i] = all[i].firstTuple;
  }
}

}  // namespace

TailTable buildTailTable(int length, int multiplier, int largestSum) {
  TailTable table;
  table.length = length;
  table.multiplier = multiplier;
  table.largestSum = largestSum;
  const auto sums = static_cast<std::size_t>(largestSum < 0 ? 1 : largestSum + 1);
  table.offset.assign(sums, 0);
  table.count.assign(sums, 0);
  std::size_t size = 0;
  for (int r = length; r <= largestSum; ++r) {
    table.offset[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(size);
    table.count[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(*compositionCount(r, length));
    size += table.count[static_cast<std::size_t>(r)] + kFilterPadding;
  }
  for (int l = 0; l < length; ++l) table.entries[l].assign(size, 0);
  for (int r = length; r <= largestSum; ++r) {
    std::size_t at = table.offset[static_cast<std::size_t>(r)];
    forEachComposition(static_cast<std::uint16_t>(length), r, [&](const std::uint16_t* c) {
      for (int l = 0; l < length; ++l) table.entries[l][at] = static_cast<std::uint16_t>(multiplier * c[l]);
      ++at;
    });
  }
  if (length >= 2) buildTailLines(table);
  return table;
}

TailLines TailTable::linesOf(int r) const {
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

std::shared_ptr<const TailTable> sharedTailTable(int length, int multiplier, int largestSum) {
  static std::mutex mutex;
  static std::map<std::pair<int, int>, std::shared_ptr<const TailTable>> built;
  const std::lock_guard<std::mutex> lock(mutex);
  auto& slot = built[{length, multiplier}];
  if (!slot || slot->largestSum < largestSum) {
    slot = std::make_shared<const TailTable>(buildTailTable(length, multiplier, largestSum));
  }
  return slot;
}

}  // namespace kestrav::engine
