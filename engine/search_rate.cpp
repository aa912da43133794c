#include "engine/search_rate.hpp"

#include <algorithm>
#include <chrono>
#include <memory>

#include "engine/pass_model.hpp"
#include "engine/prefix_walk.hpp"
#include "engine/work_units.hpp"

namespace kestrav::engine {
namespace {

// Samples start at sixteenths of the search, taken in bit-reversed order
// (0, 8, 4, 12, ...) so that a budget spent early still spreads them out.
constexpr int kSamples = 16;
constexpr int kSampleOrder[kSamples] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};

template <class Word>
SearchSample sampleWith(const SearchModel& model, const SearchOptions& options, double seconds) {
  using Clock = std::chrono::steady_clock;
  const TailFilter filter = tailFilterFor(options.simd);
  std::vector<PassModel<Word>> passes;
  std::vector<PassShape> shapes;
  for (int m : model.multipliers) {
    passes.push_back(buildPassModel<Word>(model, m, options.tailLength));
    shapes.push_back(shapeOf(passes.back()));
  }
  const std::uint64_t total = searchSize(model).value_or(SearchSize{}).total;
  std::vector<std::unique_ptr<PrefixWalker<Word>>> walkers(passes.size());
  std::string records;
  std::uint64_t bytes = 0;
  std::uint64_t lines = 0;
  const auto tally = [&bytes, &lines](const std::string& text) {
    bytes += text.size();
    lines += static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
  };
  std::uint64_t searched = 0;
  double spent = 0;
  const double perSample = seconds / kSamples;
  // Whole units, as the search runs them, at least one per sample.
  for (int s : kSampleOrder) {
    if (spent >= seconds) break;
    UnitCursor cursor(shapes, total / kSamples * static_cast<std::uint64_t>(s), total);
    const auto start = Clock::now();
    double elapsed = 0;
    WorkUnit unit;
    while ((elapsed == 0 || elapsed < perSample) && cursor.next(unit)) {
      const auto p = static_cast<std::size_t>(unit.pass);
      if (!passes[p].empty) {
        if (!walkers[p]) {
          walkers[p] = std::make_unique<PrefixWalker<Word>>(passes[p], filter);
          walkers[p]->setSpill(std::size_t{1} << 20, [&tally](std::string& out) {
            tally(out);
            out.clear();
            return std::size_t{1} << 20;
          });
        }
        walkers[p]->run(unit.prefix, unit.prefixLength, records);
        tally(records);
        records.clear();
      }
      searched += unit.compositions;
      elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    spent += elapsed;
  }
  SearchSample sample;
  if (searched == 0 || spent <= 0) return sample;
  sample.compositionsPerSecond = static_cast<double>(searched) / spent * std::max(1, options.threads);
  sample.bytesPerComposition = static_cast<double>(bytes) / static_cast<double>(searched);
  sample.recordsPerComposition = static_cast<double>(lines) / static_cast<double>(searched);
  return sample;
}

}  // namespace

SearchSample sampleSearch(const SearchModel& model, const SearchOptions& options, double seconds) {
  return evaluationWidth(model) == 32 ? sampleWith<std::uint32_t>(model, options, seconds)
                                      : sampleWith<std::uint64_t>(model, options, seconds);
}

}  // namespace kestrav::engine
