#pragma once
// Runs a search: the work units of one shard spread over worker threads
// (largest first), each unit's records buffered on its own, and the buffers
// written in enumeration order as soon as every earlier unit is done. The
// output is flushed once, at the end or when a write fails.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/search_model.hpp"
#include "engine/tail_filter.hpp"

namespace kestrav::engine {

inline constexpr int kDefaultTailLength = 4;

struct SearchOptions {
  int threads = 1;
  int shardIndex = 1;  // 1-based
  int shardCount = 1;
  SimdLevel simd = SimdLevel::Scalar;
  int tailLength = kDefaultTailLength;
  // Called from the writing thread with the share of the work done (0..1).
  std::function<void(double)> progress;
};

struct SearchSummary {
  std::vector<std::uint64_t> recordsPerPass;  // one per multiplier
  std::uint64_t bytes = 0;
};

// Writes the records to out. Returns false with a message (naming the
// system error) when a write fails; records written before stay written.
bool runSearch(const SearchModel& model, const SearchOptions& options, std::FILE* out, SearchSummary& summary,
               std::string& error);

}  // namespace kestrav::engine
