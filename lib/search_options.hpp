#pragma once
// The public search options as the engine takes them, and its status as
// the public one.

#include "engine/search_run.hpp"
#include "kestrav/search.hpp"

namespace kestrav::detail {

engine::SimdLevel engineSimd(Simd simd);

SearchStatus publicStatus(engine::SearchStatus status);

// Throws Error for options out of range (threads, shard, SIMD level, tail).
engine::SearchOptions engineOptions(const SearchOptions& options, engine::RecordEncoding encoding);

}  // namespace kestrav::detail
