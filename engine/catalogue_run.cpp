#include "engine/catalogue_run.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>

#include "engine/work_units.hpp"

namespace kestrav::engine {
namespace {

CatalogueRunResult runOne(const CatalogueSearch& search, const SearchOptions& options,
                          const CatalogueRunHooks& hooks) {
  CatalogueRunResult result;
  result.number = search.number;
  result.file = hooks.fileFor(search.number);
  const auto start = std::chrono::steady_clock::now();
  std::FILE* out = std::fopen(result.file.c_str(), "wb");
  if (out == nullptr) {
    result.error = std::strerror(errno);
    return result;
  }
  result.written = runSearch(search.model, options, out, result.summary, result.error);
  errno = 0;
  if (std::fclose(out) != 0 && result.written) {
    result.written = false;
    result.error = errno != 0 ? std::strerror(errno) : "input/output error";
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

double costOf(const CatalogueSearch& search, int tailLength) {
  double cost = 0;
  for (const WorkUnit& unit : planWorkUnits(search.model, tailLength)) cost += unit.cost;
  return cost;
}

bool oneAfterAnother(const std::vector<const CatalogueSearch*>& searches, const SearchOptions& options,
                     const CatalogueRunHooks& hooks) {
  for (const CatalogueSearch* search : searches) {
    SearchOptions own = options;
    if (hooks.progress) {
      own.progress = [&hooks, number = search->number](double fraction) { hooks.progress(number, fraction); };
    }
    const CatalogueRunResult result = runOne(*search, own, hooks);
    hooks.finished(result);
    if (!result.written) return false;
  }
  return true;
}

bool sideBySide(const std::vector<const CatalogueSearch*>& searches, const SearchOptions& options,
                const CatalogueRunHooks& hooks) {
  std::vector<std::size_t> largestFirst(searches.size());
  std::iota(largestFirst.begin(), largestFirst.end(), std::size_t{0});
  std::vector<double> costs(searches.size());
  for (std::size_t i = 0; i < searches.size(); ++i) costs[i] = costOf(*searches[i], options.tailLength);
  std::stable_sort(largestFirst.begin(), largestFirst.end(),
                   [&costs](std::size_t a, std::size_t b) { return costs[a] > costs[b]; });

  std::vector<CatalogueRunResult> results(searches.size());
  const std::unique_ptr<bool[]> done(new bool[searches.size()]());
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  SearchOptions single = options;
  single.threads = 1;
  single.progress = nullptr;
  const auto work = [&] {
    while (!stop.load()) {
      const std::size_t taken = next.fetch_add(1);
      if (taken >= largestFirst.size()) return;
      const std::size_t i = largestFirst[taken];
      CatalogueRunResult result = runOne(*searches[i], single, hooks);
      const std::lock_guard<std::mutex> lock(mutex);
      results[i] = std::move(result);
      done[i] = true;
      finished.notify_one();
    }
  };
  std::vector<std::thread> workers;
  const auto count = std::min(static_cast<std::size_t>(std::max(1, options.threads)), searches.size());
  for (std::size_t t = 0; t < count; ++t) workers.emplace_back(work);

  bool ok = true;
  for (std::size_t i = 0; i < searches.size() && ok; ++i) {
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [&] { return done[i]; });
    const CatalogueRunResult result = results[i];
    lock.unlock();
    hooks.finished(result);
    if (!result.written) {
      ok = false;
      stop = true;
    }
  }
  for (std::thread& worker : workers) worker.join();
  return ok;
}

}  // namespace

bool runCatalogueSearches(const std::vector<const CatalogueSearch*>& searches, const SearchOptions& options,
                          const CatalogueRunHooks& hooks) {
  if (searches.size() <= 1 || options.threads <= 1) return oneAfterAnother(searches, options, hooks);
  return sideBySide(searches, options, hooks);
}

}  // namespace kestrav::engine
