#include "engine/catalogue_run.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>

#include "engine/output_file.hpp"
#include "engine/result_digest.hpp"
#include "engine/work_units.hpp"
#include "engine/worker_threads.hpp"

namespace kestrav::engine {
namespace {

CatalogueRunResult notStarted(const CatalogueSearch& search, const CatalogueRunHooks& hooks) {
  CatalogueRunResult result;
  result.number = search.number;
  result.file = hooks.fileFor(search.number);
  return result;
}

CatalogueRunResult runOne(const CatalogueSearch& search, const SearchOptions& options,
                          const CatalogueRunHooks& hooks) {
  CatalogueRunResult result = notStarted(search, hooks);
  result.started = true;
  const auto start = std::chrono::steady_clock::now();
  OutputFile out;
  if (!out.open(result.file, result.error)) {
    result.status = SearchStatus::Failed;
    return result;
  }
  ResultDigest digest(search.model.multipliers.size());
  try {
    StreamOutput stream(out.stream());
    DigestingOutput digesting(stream, digest);
    result.status = runSearch(search.model, options, digesting, result.summary, result.error);
    if (result.status == SearchStatus::Complete) result.sha256 = digest.sha256();
  } catch (...) {
    result.status = SearchStatus::Failed;
    result.error = describeException(std::current_exception());
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result.status != SearchStatus::Complete) return result;
  std::optional<Companion> companion;
  if (hooks.companionFor && !out.direct()) {
    try {
      companion = hooks.companionFor(result, digest);
    } catch (...) {
      result.status = SearchStatus::Failed;
      result.error = describeException(std::current_exception());
      return result;
    }
  }
  const bool committed = companion ? commitWithCompanion(out, *companion, hooks.sync, result.error)
                                   : out.commit(hooks.sync, result.error);
  if (!committed) result.status = SearchStatus::Failed;
  return result;
}

// The run's status: a failure outweighs a cancelled search.
SearchStatus combine(SearchStatus run, SearchStatus search) {
  if (run == SearchStatus::Failed || search == SearchStatus::Failed) return SearchStatus::Failed;
  if (run == SearchStatus::Cancelled || search == SearchStatus::Cancelled) return SearchStatus::Cancelled;
  return SearchStatus::Complete;
}

SearchStatus oneAfterAnother(const std::vector<const CatalogueSearch*>& searches,
                             const SearchOptions& options, const CatalogueRunHooks& hooks) {
  SearchStatus status = SearchStatus::Complete;
  for (const CatalogueSearch* search : searches) {
    if (status != SearchStatus::Complete || (options.cancelled && options.cancelled())) {
      status = combine(status, SearchStatus::Cancelled);
      hooks.finished(notStarted(*search, hooks));
      continue;
    }
    SearchOptions own = options;
    if (hooks.progress) {
      own.progress = [&hooks, number = search->number](std::uint64_t done, std::uint64_t total) {
        hooks.progress(number, done, total);
      };
    }
    const CatalogueRunResult result = runOne(*search, own, hooks);
    status = combine(status, result.status);
    hooks.finished(result);
  }
  return status;
}

SearchStatus sideBySide(const std::vector<const CatalogueSearch*>& searches, const SearchOptions& options,
                        const CatalogueRunHooks& hooks) {
  std::vector<std::uint64_t> costs(searches.size());
  for (std::size_t i = 0; i < searches.size(); ++i)
    costs[i] = searchSize(searches[i]->model).value_or(SearchSize{}).total;
  std::vector<std::size_t> largestFirst(searches.size());
  std::iota(largestFirst.begin(), largestFirst.end(), std::size_t{0});
  std::stable_sort(largestFirst.begin(), largestFirst.end(),
                   [&costs](std::size_t a, std::size_t b) { return costs[a] > costs[b]; });

  std::mutex mutex;
  std::condition_variable finished;
  std::vector<CatalogueRunResult> results(searches.size());
  std::vector<char> done(searches.size(), 0);
  std::size_t next = 0;
  bool crashed = false;
  // Set by a failed search: the searches under way stop and no other starts.
  std::atomic<bool> stopAll{false};
  SearchOptions single = options;
  single.threads = 1;
  single.progress = nullptr;
  single.cancelled = [&] { return stopAll.load() || (options.cancelled && options.cancelled()); };

  const auto search = [&] {
    while (true) {
      std::size_t i = 0;
      {
        const std::lock_guard<std::mutex> lock(mutex);
        if (next == largestFirst.size()) return;
        i = largestFirst[next++];
      }
      CatalogueRunResult result =
          single.cancelled() ? notStarted(*searches[i], hooks) : runOne(*searches[i], single, hooks);
      if (result.status == SearchStatus::Failed) stopAll = true;
      const std::lock_guard<std::mutex> lock(mutex);
      results[i] = std::move(result);
      done[i] = 1;
      finished.notify_all();
    }
  };
  SearchStatus status = SearchStatus::Complete;
  // The calling thread reports the searches in the order of the list.
  const auto report = [&] {
    for (std::size_t i = 0; i < searches.size(); ++i) {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return done[i] != 0 || crashed; });
      CatalogueRunResult result = done[i] != 0 ? std::move(results[i]) : notStarted(*searches[i], hooks);
      lock.unlock();
      status = combine(status, result.status);
      hooks.finished(result);
    }
  };
  const int threads =
      static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(options.threads), searches.size()));
  WorkerThreads workers(
      threads, [&](int) { search(); },
      [&] {
        stopAll = true;
        const std::lock_guard<std::mutex> lock(mutex);
        crashed = true;
        finished.notify_all();
      });
  report();
  workers.join();
  if (!workers.failure().empty()) throw std::runtime_error(workers.failure());
  return status;
}

}  // namespace

SearchStatus runCatalogueSearches(const std::vector<const CatalogueSearch*>& searches,
                                  const SearchOptions& options, const CatalogueRunHooks& hooks) {
  if (searches.size() <= 1 || options.threads <= 1) return oneAfterAnother(searches, options, hooks);
  return sideBySide(searches, options, hooks);
}

}  // namespace kestrav::engine
