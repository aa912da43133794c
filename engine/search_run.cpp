#include "engine/search_run.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <thread>

#include "engine/pass_model.hpp"
#include "engine/prefix_walk.hpp"
#include "engine/work_units.hpp"

namespace kestrav::engine {
namespace {

struct UnitResult {
  std::string records;
  std::uint64_t count = 0;
};

// State shared by the workers and the writer, each hot field on its own
// cache line. A worker publishes a unit with `done` and wakes the writer only
// when the writer sleeps on that very unit, so most units cost no system call.
struct SharedWork {
  explicit SharedWork(std::size_t units) : done(new std::atomic<bool>[units]) {
    for (std::size_t j = 0; j < units; ++j) done[j] = false;
  }
  alignas(64) std::atomic<std::size_t> next{0};
  alignas(64) std::atomic<std::size_t> writerWaitsFor{kNobody};
  alignas(64) std::mutex mutex;
  std::condition_variable unitDone;
  std::unique_ptr<std::atomic<bool>[]> done;
  static constexpr std::size_t kNobody = ~std::size_t{0};
};

template <class Word>
bool runWith(const SearchModel& model, const SearchOptions& options, std::FILE* out, SearchSummary& summary,
             std::string& error) {
  const TailFilter filter = tailFilterFor(options.simd);
  std::vector<PassModel<Word>> passes;
  for (int m : model.multipliers) passes.push_back(buildPassModel<Word>(model, m, options.tailLength));

  const std::vector<WorkUnit> all = planWorkUnits(model, options.tailLength);
  const UnitRange range = shardRange(all, options.shardIndex, options.shardCount);
  const std::vector<WorkUnit> units(all.begin() + static_cast<std::ptrdiff_t>(range.first),
                                    all.begin() + static_cast<std::ptrdiff_t>(range.last));
  std::vector<std::size_t> largestFirst(units.size());
  std::iota(largestFirst.begin(), largestFirst.end(), std::size_t{0});
  std::stable_sort(largestFirst.begin(), largestFirst.end(),
                   [&units](std::size_t a, std::size_t b) { return units[a].cost > units[b].cost; });
  const double totalCost = std::accumulate(units.begin(), units.end(), 0.0,
                                           [](double s, const WorkUnit& u) { return s + u.cost; });

  std::vector<UnitResult> results(units.size());
  SharedWork shared(units.size());
  std::atomic<bool> stop{false};
  const auto work = [&] {
    // Each worker owns its walkers, allocated in its own thread.
    std::vector<std::unique_ptr<PrefixWalker<Word>>> walkers(passes.size());
    while (!stop.load(std::memory_order_relaxed)) {
      const std::size_t taken = shared.next.fetch_add(1, std::memory_order_relaxed);
      if (taken >= largestFirst.size()) break;
      const std::size_t j = largestFirst[taken];
      const WorkUnit& unit = units[j];
      const auto p = static_cast<std::size_t>(unit.pass);
      if (!passes[p].empty) {
        if (!walkers[p]) walkers[p] = std::make_unique<PrefixWalker<Word>>(passes[p], filter);
        results[j].count = walkers[p]->run(unit.prefix, unit.prefixLength, results[j].records);
      }
      shared.done[j].store(true);
      if (shared.writerWaitsFor.load() == j) {
        const std::lock_guard<std::mutex> lock(shared.mutex);
        shared.unitDone.notify_one();
      }
    }
  };
  std::vector<std::thread> workers;
  for (int t = 0; t < std::max(1, options.threads); ++t) workers.emplace_back(work);

  // This thread writes the units in order as they complete.
  summary = SearchSummary{};
  summary.recordsPerPass.assign(model.multipliers.size(), 0);
  double doneCost = 0;
  bool ok = true;
  for (std::size_t j = 0; j < units.size() && ok; ++j) {
    if (!shared.done[j].load()) {
      std::unique_lock<std::mutex> lock(shared.mutex);
      shared.writerWaitsFor.store(j);
      shared.unitDone.wait(lock, [&] { return shared.done[j].load(); });
      shared.writerWaitsFor.store(SharedWork::kNobody);
    }
    std::string records = std::move(results[j].records);
    summary.recordsPerPass[static_cast<std::size_t>(units[j].pass)] += results[j].count;
    if (!records.empty()) {
      errno = 0;
      if (std::fwrite(records.data(), 1, records.size(), out) != records.size()) {
        error = errno != 0 ? std::strerror(errno) : "input/output error";
        ok = false;
      }
      summary.bytes += records.size();
    }
    doneCost += units[j].cost;
    if (options.progress && totalCost > 0) options.progress(doneCost / totalCost);
  }
  stop = true;
  for (std::thread& worker : workers) worker.join();
  errno = 0;
  if (std::fflush(out) != 0 && ok) {
    error = errno != 0 ? std::strerror(errno) : "input/output error";
    ok = false;
  }
  return ok;
}

}  // namespace

bool runSearch(const SearchModel& model, const SearchOptions& options, std::FILE* out, SearchSummary& summary,
               std::string& error) {
  if (options.tailLength < 1 || options.tailLength > kMaxTailLength) {
    throw std::invalid_argument("tail length must be 1.." + std::to_string(kMaxTailLength));
  }
  if (options.shardCount < 1 || options.shardIndex < 1 || options.shardIndex > options.shardCount) {
    throw std::invalid_argument("shard index outside 1..count");
  }
  switch (evaluationWidth(model)) {
    case 32:
      return runWith<std::uint32_t>(model, options, out, summary, error);
    case 64:
      return runWith<std::uint64_t>(model, options, out, summary, error);
    default:
      throw std::invalid_argument("the model's values could exceed 64 bits");
  }
}

}  // namespace kestrav::engine
