#pragma once
// How fast this machine searches a given model, measured on a sample of
// work units spread over the whole search: what an estimate of a search's
// time needs before it is started.

#include "engine/search_model.hpp"
#include "engine/search_run.hpp"

namespace kestrav::engine {

struct SearchSample {
  // With options.threads threads (one thread's rate times the threads).
  double compositionsPerSecond = 0;
  // Of the records found in the sample, as text.
  double bytesPerComposition = 0;
  double recordsPerComposition = 0;
};

// Measured on about `seconds` of searching; all 0 when the search has no
// compositions.
SearchSample sampleSearch(const SearchModel& model, const SearchOptions& options, double seconds);

}  // namespace kestrav::engine
