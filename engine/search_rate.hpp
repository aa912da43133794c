#pragma once
// How fast this machine searches a given model, measured on a sample of
// work units spread over the whole search: what an estimate of a search's
// time needs before it is started.

#include "engine/search_model.hpp"
#include "engine/search_run.hpp"

namespace kestrav::engine {

// Compositions per second with options.threads threads (one thread's rate
// times the threads), from about `seconds` of searching; 0 when the search
// has no compositions.
double measureSearchRate(const SearchModel& model, const SearchOptions& options, double seconds);

}  // namespace kestrav::engine
