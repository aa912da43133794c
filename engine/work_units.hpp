#pragma once
// The work of a search cut into units, in enumeration order: pass by pass,
// and within a pass by composition prefix, in decreasing order. A prefix
// with more than kMaxUnitCompositions compositions is cut into its children,
// down to the entries the walk evaluates in bulk, so that every unit is
// small. Units are produced one at a time, never listed, so a search of any
// size costs the same memory. The cut depends only on the search (never on
// threads or shards), so every job of a sharded search cuts it alike.
//
// Counts are exact 64-bit integers: a search whose compositions do not fit
// 64 bits is refused before it starts.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/composition.hpp"
#include "engine/search_model.hpp"

namespace kestrav::engine {

inline constexpr std::uint64_t kMaxUnitCompositions = std::uint64_t{1} << 26;

// The compositions of each pass of a search and of all of them; nothing
// when any of these does not fit 64 bits.
struct SearchSize {
  std::vector<std::uint64_t> perPass;
  std::uint64_t total = 0;
};
std::optional<SearchSize> searchSize(const SearchModel& model);

// How the units of one pass are cut.
struct PassShape {
  int length = 0;         // n
  int sum = 0;            // f
  int deepestPrefix = 0;  // the prefix never reaches the entries evaluated in bulk
  bool whole = false;     // one unit for the whole pass (it has no records)
};

struct WorkUnit {
  int pass = 0;
  int prefixLength = 0;
  std::uint16_t prefix[kMaxEntries] = {};  // composition parts, not scaled
  std::uint64_t compositions = 0;
  std::uint64_t first = 0;  // the rank of its first composition in the whole search
};

// The units whose first composition has a rank in [from, to), in order.
class UnitCursor {
 public:
  // A smaller unitSize cuts finer, for a sample of the search.
  UnitCursor(std::vector<PassShape> passes, std::uint64_t from, std::uint64_t to,
             std::uint64_t unitSize = kMaxUnitCompositions);
  bool next(WorkUnit& unit);

 private:
  std::uint64_t nodeCompositions() const;
  void startPass();
  void skipNode();

  std::vector<PassShape> passes_;
  std::uint64_t from_;
  std::uint64_t to_;
  std::uint64_t unitSize_;
  std::size_t pass_ = 0;
  int depth_ = 0;
  std::uint16_t prefix_[kMaxEntries] = {};
  int remaining_[kMaxEntries + 1] = {};
  std::uint64_t rank_ = 0;
};

// Shard `index` (1-based) of `count` covers the compositions [first, end):
// contiguous slices of equal size (up to one), computed in integers so that
// every build cuts a search at the same places. A unit belongs to the shard
// in which its first composition lies.
struct CompositionRange {
  std::uint64_t first = 0;
  std::uint64_t end = 0;
};
CompositionRange shardCompositions(std::uint64_t total, int index, int count);

// The rank of the first composition of the first unit that starts at or
// after `from`; total when none does. A shard [first, end) searches the
// compositions from the unit start at or after first to the one at or after
// end, so the shards' searches tile the whole.
std::uint64_t unitStartFrom(const std::vector<PassShape>& passes, std::uint64_t from, std::uint64_t total,
                            std::uint64_t unitSize = kMaxUnitCompositions);

}  // namespace kestrav::engine
