// Nanoseconds per composition of the generated models (greedy nesting, the
// pass's multiplier and so the pinned entries as constants) against the
// literal form (natural nesting, multiplier as a run-time value), measured
// in the same run. The catalogue benchmark samples every row in proportion
// to its number of model evaluations, so the ratio of its two forms is the
// speed-up of the whole catalogue's search.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/composition.hpp"
#include "core/entry_tuple.hpp"
#include "core/pass_dispatch.hpp"
#include "core/result_name.hpp"
#include "core/run_constants.hpp"
#include "models/catalogue.hpp"

#include "bench_rows.inc"

namespace {

using kestrav::Layout;

template <Layout L, std::int32_t N, class Model, class Multiplier>
[[gnu::always_inline]] inline int evaluate(const Model& model, const std::uint16_t* c, Multiplier m) {
  if constexpr (L == Layout::Bare) {
    return kestrav::applyModel(model, kestrav::bareEntryTuple<N>(c));
  } else {
    return kestrav::applyModel(model, kestrav::scaledEntryTuple<L, N>(c, m));
  }
}

// The first `limit` compositions of f into N parts, in the programs' order;
// returns the number of zeros so that nothing is optimised away.
template <Layout L, std::int32_t N, class Model, class Multiplier>
[[gnu::always_inline]] inline std::uint64_t countZeros(const Model& model, std::int32_t f, Multiplier m,
                                                       std::uint64_t limit) {
  std::array<std::uint16_t, N> c{};
  c.fill(1);
  c[0] = static_cast<std::uint16_t>(f - N + 1);
  std::uint64_t zeros = 0;
  for (std::uint64_t i = 0; i < limit; ++i) {
    zeros += evaluate<L, N>(model, c.data(), m) == 0;
    if (c[N - 1] == f - N + 1) break;
    kestrav::advanceComposition(c.data(), N);
  }
  return zeros;
}

std::uint16_t opaque(std::uint16_t value) {
  benchmark::DoNotOptimize(value);
  return value;
}

using Sampler = std::uint64_t (*)(std::int32_t f, std::uint64_t limit);

struct BenchRow {
  int number;
  Layout layout;
  std::int32_t length;        // n
  std::uint64_t evaluations;  // model evaluations of a complete run
  Sampler nested;
  Sampler literal;
};

std::int32_t firstPassSum(Layout layout) { return kestrav::compositionSum(kestrav::kTotal, 1, layout); }

template <Layout L, std::int32_t K, class Nested, class Literal>
BenchRow makeBenchRow(int number, Nested, Literal) {
  constexpr std::int32_t n = kestrav::compositionLength(K, L);
  std::uint64_t evaluations = 0;
  if constexpr (L == Layout::Bare) {
    evaluations = *kestrav::compositionCount(kestrav::kTotal, n);
  } else {
    for (std::uint16_t m : kestrav::kMultipliers) {
      evaluations += *kestrav::compositionCount(kestrav::compositionSum(kestrav::kTotal, m, L), n);
    }
  }
  // As the programs run a pass: the multiplier dispatched to a constant.
  const Sampler nested = [](std::int32_t f, std::uint64_t limit) {
    std::uint64_t zeros = 0;
    kestrav::withConstantMultiplier(opaque(1),
                                    [&](auto m) { zeros = countZeros<L, n>(Nested{}, f, m, limit); });
    return zeros;
  };
  const Sampler literal = [](std::int32_t f, std::uint64_t limit) {
    return countZeros<L, n>(Literal{}, f, opaque(1), limit);
  };
  return {number, L, n, evaluations, nested, literal};
}

#define KESTRAV_BENCH_ROW(N)                                                                        \
  makeBenchRow<kestrav::row##N::kLayout, kestrav::row##N::kEntryCount>(                             \
      N, [](auto... x) __attribute__((always_inline)) { return kestrav::row##N::CalculDet(x...); }, \
      [](auto... x) __attribute__((always_inline)) { return kestrav::literal::row##N::CalculDet(x...); }),

const std::vector<BenchRow>& benchRows() {
  static const std::vector<BenchRow> rows = {KESTRAV_ALL_BENCH_ROWS};
  return rows;
}

const BenchRow& rowOf(int number) {
  if (const BenchRow* row = kestrav::findByNumber(benchRows(), number)) return *row;
  std::abort();
}

// Every row, each sampled over 1/kShare of its evaluations.
constexpr std::uint64_t kShare = 2000;

void catalogue(benchmark::State& state, bool literal) {
  std::uint64_t compositions = 0;
  for (auto _ : state) {
    std::uint64_t zeros = 0;
    for (const BenchRow& row : benchRows()) {
      const std::uint64_t limit = row.evaluations / kShare;
      zeros += (literal ? row.literal : row.nested)(firstPassSum(row.layout), limit);
      compositions += limit;
    }
    benchmark::DoNotOptimize(zeros);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(compositions));
}

// One representative per driver variant (family, layout, k), over a pass of
// about a million compositions; kestrav75 is the largest model.
void variant(benchmark::State& state, int number, bool literal) {
  const BenchRow& row = rowOf(number);
  const std::int32_t f = row.length == 8 ? 30 : row.length == 7 ? 35 : 48;
  const std::uint64_t count = *kestrav::compositionCount(f, row.length);
  for (auto _ : state) benchmark::DoNotOptimize((literal ? row.literal : row.nested)(f, count));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
}

const int kRepresentatives[] = {75, 60, 59, 54, 70, 65, 71, 13, 39, 72, 1, 73, 3, 25, 2};

int registerAll() {
  for (bool literal : {true, false}) {
    const std::string form = literal ? "literal" : "nested";
    benchmark::RegisterBenchmark(("Catalogue/" + form).c_str(), catalogue, literal)
        ->Unit(benchmark::kMillisecond);
  }
  for (int number : kRepresentatives) {
    for (bool literal : {true, false}) {
      const BenchRow& row = rowOf(number);
      const std::string name = std::string("Variant/") + kestrav::layoutName(row.layout) + "/k" +
                               std::to_string(row.length + kestrav::pinnedCount(row.layout)) + "/" +
                               kestrav::programName(number) + "/" + (literal ? "literal" : "nested");
      benchmark::RegisterBenchmark(name.c_str(), variant, number, literal)->Unit(benchmark::kMillisecond);
    }
  }
  return 0;
}

const int kRegistered = registerAll();

}  // namespace
