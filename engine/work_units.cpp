#include "engine/work_units.hpp"

#include <algorithm>

namespace kestrav::engine {

double compositionCount(int sum, int parts) {
  if (parts < 1 || sum < parts) return 0;
  double count = 1;
  for (int i = 1; i < parts; ++i) count = count * (sum - i) / i;
  return count;
}

std::vector<WorkUnit> planWorkUnits(const SearchModel& model, int tailLength) {
  const int n = compositionLength(model);
  const int prefixLength = std::max(0, std::min(kMaxUnitPrefix, n - std::min(tailLength, n)));
  std::vector<WorkUnit> units;
  for (std::size_t pass = 0; pass < model.multipliers.size(); ++pass) {
    const int f = compositionSum(model, model.multipliers[pass]);
    if (f < n) continue;
    WorkUnit unit;
    unit.pass = static_cast<int>(pass);
    unit.prefixLength = prefixLength;
    // Each prefix entry leaves at least one for every later entry.
    const auto add = [&](int remaining) {
      unit.cost = compositionCount(remaining, n - prefixLength);
      units.push_back(unit);
    };
    if (prefixLength == 0) {
      add(f);
    } else if (prefixLength == 1) {
      for (int a = f - n + 1; a >= 1; --a) {
        unit.prefix[0] = a;
        add(f - a);
      }
    } else {
      for (int a = f - n + 1; a >= 1; --a) {
        for (int b = f - a - n + 2; b >= 1; --b) {
          unit.prefix[0] = a;
          unit.prefix[1] = b;
          add(f - a - b);
        }
      }
    }
  }
  return units;
}

UnitRange shardRange(const std::vector<WorkUnit>& units, int index, int count) {
  double total = 0;
  for (const WorkUnit& unit : units) total += unit.cost;
  // Unit j belongs to the shard in which its first composition falls.
  const auto shardOf = [&](double before) {
    return total <= 0 ? 1 : std::min(count, 1 + static_cast<int>(before / total * count));
  };
  UnitRange range{units.size(), units.size()};
  double before = 0;
  bool started = false;
  for (std::size_t j = 0; j < units.size(); ++j) {
    const int shard = shardOf(before);
    if (shard == index && !started) {
      range.first = j;
      started = true;
    }
    if (shard > index) {
      range.last = j;
      break;
    }
    before += units[j].cost;
  }
  if (!started) range.first = range.last;
  return range;
}

}  // namespace kestrav::engine
