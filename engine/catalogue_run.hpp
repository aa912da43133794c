#pragma once
// Runs several catalogue searches, each into its own result file. Given more
// than one search and more than one thread, whole searches run side by side,
// one thread each, the largest first: they share nothing, so this scales
// better than splitting every search over the threads. A single search, or a
// single thread, runs the searches one after another with every thread on
// each. A failed search stops the run: the searches under way are
// abandoned and no further one starts, and no file is left empty or partial.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/catalogue_search.hpp"
#include "engine/output_file.hpp"
#include "engine/result_digest.hpp"
#include "engine/search_run.hpp"

namespace kestrav::engine {

struct CatalogueRunResult {
  int number = 0;
  std::filesystem::path file;
  bool started = false;
  SearchStatus status = SearchStatus::Cancelled;  // Complete: the file is written
  std::string error;                              // the reason when Failed
  SearchSummary summary;
  std::string sha256;  // of the file written; empty in a build without manifests
  double seconds = 0;
};

struct CatalogueRunHooks {
  // The file a search writes.
  std::function<std::filesystem::path(int number)> fileFor;
  // Called from the calling thread for every search of the list, in the
  // order of the list, finished or not.
  std::function<void(const CatalogueRunResult&)> finished;
  // Progress of a search when they run one after another.
  std::function<void(int number, std::uint64_t done, std::uint64_t total)> progress;
  // fsync each file and its directory when it is complete.
  bool sync = false;
  // What to write beside a complete file (its manifest), asked from the
  // thread that ran its search; none when empty or when it returns nothing.
  std::function<std::optional<Companion>(const CatalogueRunResult&, const ResultDigest&)> companionFor;
};

// Complete when every file was written; otherwise the first failure's status
// (Cancelled when options.cancel asked the run to stop).
SearchStatus runCatalogueSearches(const std::vector<const CatalogueSearch*>& searches,
                                  const SearchOptions& options, const CatalogueRunHooks& hooks);

}  // namespace kestrav::engine
