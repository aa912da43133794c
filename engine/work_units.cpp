#include "engine/work_units.hpp"

#include <utility>

namespace kestrav::engine {

std::optional<SearchSize> searchSize(const SearchModel& model) {
  SearchSize size;
  for (int m : model.multipliers) {
    const std::optional<std::uint64_t> pass =
        compositionCount(compositionSum(model, m), compositionLength(model));
    if (!pass || __builtin_add_overflow(size.total, *pass, &size.total)) return std::nullopt;
    size.perPass.push_back(*pass);
  }
  return size;
}

UnitCursor::UnitCursor(std::vector<PassShape> passes, std::uint64_t from, std::uint64_t to,
                       std::uint64_t unitSize)
    : passes_(std::move(passes)), from_(from), to_(to), unitSize_(unitSize) {
  startPass();
}

void UnitCursor::startPass() {
  depth_ = 0;
  if (pass_ < passes_.size()) remaining_[0] = passes_[pass_].sum;
}

// Compositions of the current node: the parts after the prefix take the
// remaining sum.
std::uint64_t UnitCursor::nodeCompositions() const {
  const PassShape& shape = passes_[pass_];
  return compositionCount(remaining_[depth_], shape.length - depth_).value_or(0);
}

// Moves past the current node and everything under it.
void UnitCursor::skipNode() {
  rank_ += nodeCompositions();
  while (depth_ > 0) {
    // The next sibling: the same prefix with a smaller last part.
    if (--prefix_[depth_ - 1] >= 1) {
      remaining_[depth_] = remaining_[depth_ - 1] - prefix_[depth_ - 1];
      return;
    }
    --depth_;  // every child done: the parent is done too
  }
  ++pass_;
  startPass();
}

bool UnitCursor::next(WorkUnit& unit) {
  while (pass_ < passes_.size() && rank_ < to_) {
    const PassShape& shape = passes_[pass_];
    const std::uint64_t compositions = nodeCompositions();
    if (compositions == 0 || rank_ + compositions <= from_) {
      skipNode();
      continue;
    }
    if (!shape.whole && compositions > unitSize_ && depth_ < shape.deepestPrefix) {
      // The first child has the largest first part: one left for every later part.
      prefix_[depth_] = static_cast<std::uint16_t>(remaining_[depth_] - (shape.length - depth_ - 1));
      remaining_[depth_ + 1] = shape.length - depth_ - 1;
      ++depth_;
      continue;
    }
    const bool inRange = rank_ >= from_;
    if (inRange) {
      unit.pass = static_cast<int>(pass_);
      unit.prefixLength = depth_;
      std::copy(prefix_, prefix_ + depth_, unit.prefix);
      unit.compositions = compositions;
      unit.first = rank_;
    }
    skipNode();
    if (inRange) return true;
  }
  return false;
}

std::uint64_t unitStartFrom(const std::vector<PassShape>& passes, std::uint64_t from, std::uint64_t total,
                            std::uint64_t unitSize) {
  UnitCursor cursor(passes, from, total, unitSize);
  WorkUnit unit;
  return cursor.next(unit) ? unit.first : total;
}

CompositionRange shardCompositions(std::uint64_t total, int index, int count) {
  // The boundary before shard i is ceil((i - 1) * total / count), written so
  // that nothing overflows: count and i are below 2^31.
  const auto boundary = [total, count](int i) {
    const auto shards = static_cast<std::uint64_t>(count);
    const auto before = static_cast<std::uint64_t>(i - 1);
    return total / shards * before + (total % shards * before + shards - 1) / shards;
  };
  return {boundary(index), boundary(index + 1)};
}

}  // namespace kestrav::engine
