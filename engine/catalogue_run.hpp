#pragma once
// Runs several catalogue searches, each into its own file. Given more than
// one search and more than one thread, whole searches run side by side, one
// thread each, the largest first: they share nothing, so this scales better
// than splitting every search over the threads. A single search, or a single
// thread, runs the searches one after another with every thread on each.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/catalogue_search.hpp"
#include "engine/search_run.hpp"

namespace kestrav::engine {

struct CatalogueRunResult {
  int number = 0;
  std::filesystem::path file;
  bool written = false;
  std::string error;  // the system's reason when not written
  SearchSummary summary;
  double seconds = 0;
};

struct CatalogueRunHooks {
  // The file a search writes (created or truncated).
  std::function<std::filesystem::path(int number)> fileFor;
  // Called from the calling thread for every finished search, in the order
  // of the list; after a failed one no further search starts.
  std::function<void(const CatalogueRunResult&)> finished;
  // Progress of a search (0..1) when they run one after another.
  std::function<void(int number, double fraction)> progress;
};

// Returns false when a file could not be opened or written.
bool runCatalogueSearches(const std::vector<const CatalogueSearch*>& searches, const SearchOptions& options,
                          const CatalogueRunHooks& hooks);

}  // namespace kestrav::engine
