// Shards: contiguous slices of the work whose outputs, concatenated in
// order, are the whole output.

#include <gtest/gtest.h>

#include <vector>

#include "engine/work_units.hpp"
#include "tests/engine/engine_test_support.hpp"
#include "tests/support/catalogue_rows.hpp"

namespace {

kestrav::engine::SearchModel catalogueModel(int number) {
  const auto& row = kestrav::testing::catalogueRow(number);
  return kestrav::engine::searchModelFromRow(row.variant, row.blocks);
}

TEST(Shards, ConcatenateToTheWholeOutput) {
  struct Case {
    int program;
    std::vector<int> shardCounts;
  };
  // Most searches also in more shards than they have work units, so that
  // some shards are empty.
  const Case cases[] = {
      {2, {1, 2, 3, 7, 64, 5000}}, {13, {1, 2, 3, 7, 64, 1500}}, {17, {2, 7, 64}}, {59, {3, 64, 1500}}};
  for (const Case& c : cases) {
    const int number = c.program;
    const auto model = catalogueModel(number);
    const auto whole = kestrav::engine::testing::runToString(model, {});
    ASSERT_FALSE(whole.records.empty());
    if (c.shardCounts.back() > 1000) {
      EXPECT_GT(static_cast<std::size_t>(c.shardCounts.back()),
                kestrav::engine::planWorkUnits(model, kestrav::engine::kDefaultTailLength).size())
          << "kestrav" << number;
    }
    for (int count : c.shardCounts) {
      std::string joined;
      std::uint64_t records = 0;
      for (int index = 1; index <= count; ++index) {
        kestrav::engine::SearchOptions options;
        options.shardIndex = index;
        options.shardCount = count;
        options.threads = 2;
        const auto part = kestrav::engine::testing::runToString(model, options);
        joined += part.records;
        for (auto r : part.summary.recordsPerPass) records += r;
      }
      EXPECT_EQ(joined, whole.records) << "kestrav" << number << " in " << count << " shards";
      EXPECT_EQ(records, static_cast<std::uint64_t>(std::count(joined.begin(), joined.end(), '\n')));
    }
  }
}

TEST(Shards, RangesAreContiguousAndBalanced) {
  const auto units = kestrav::engine::planWorkUnits(catalogueModel(18), kestrav::engine::kDefaultTailLength);
  double total = 0;
  for (const auto& unit : units) total += unit.cost;
  for (int count : {1, 2, 4, 10}) {
    std::size_t next = 0;
    for (int index = 1; index <= count; ++index) {
      const auto range = kestrav::engine::shardRange(units, index, count);
      EXPECT_EQ(range.first, next) << index << "/" << count;
      double cost = 0;
      for (std::size_t j = range.first; j < range.last; ++j) cost += units[j].cost;
      // No shard carries much more than its share (one unit at most).
      EXPECT_LT(cost, total / count * 1.25) << index << "/" << count;
      next = range.last;
    }
    EXPECT_EQ(next, units.size());
  }
}

TEST(WorkUnits, CostsAddUpToEveryComposition) {
  const auto model = catalogueModel(75);
  double total = 0;
  for (const auto& unit : kestrav::engine::planWorkUnits(model, 3)) total += unit.cost;
  double expected = 0;
  for (int m : model.multipliers) {
    const int n = kestrav::engine::compositionLength(model);
    expected += kestrav::engine::compositionCount(kestrav::engine::compositionSum(model, m), n);
  }
  EXPECT_EQ(total, expected);
}

}  // namespace
