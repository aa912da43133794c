// Work units and shards: units cover every composition once, in order and
// small; shards are contiguous slices whose outputs, concatenated in order,
// are the whole output.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "core/result_name.hpp"
#include "engine/catalogue_search.hpp"
#include "engine/pass_model.hpp"
#include "engine/work_units.hpp"
#include "tests/engine/engine_test_support.hpp"
#include "tests/support/catalogue_rows.hpp"

namespace {

using kestrav::engine::WorkUnit;

kestrav::engine::SearchModel catalogueModel(int number, int total = 50) {
  const auto& row = kestrav::testing::catalogueRow(number);
  auto model = kestrav::engine::searchModelFromRow(row.variant, row.blocks);
  model.total = total;
  return model;
}

std::vector<kestrav::engine::PassShape> shapesOf(const kestrav::engine::SearchModel& model) {
  std::vector<kestrav::engine::PassShape> shapes;
  for (int m : model.multipliers) {
    shapes.push_back(shapeOf(
        kestrav::engine::buildPassModel<std::uint64_t>(model, m, kestrav::engine::kDefaultTailLength)));
  }
  return shapes;
}

std::vector<WorkUnit> unitsOf(const kestrav::engine::SearchModel& model, std::uint64_t from,
                              std::uint64_t to) {
  kestrav::engine::UnitCursor cursor(shapesOf(model), from, to);
  std::vector<WorkUnit> units;
  for (WorkUnit unit; cursor.next(unit);) units.push_back(unit);
  return units;
}

TEST(WorkUnits, CoverEveryCompositionOnceInOrderInSmallUnits) {
  // Row 75 at the catalogue's total and far beyond it, and a two-block row.
  const kestrav::engine::SearchModel models[] = {catalogueModel(75), catalogueModel(75, 100),
                                                 catalogueModel(17)};
  for (const auto& model : models) {
    const auto size = kestrav::engine::searchSize(model);
    ASSERT_TRUE(size.has_value());
    const auto shapes = shapesOf(model);
    const auto units = unitsOf(model, 0, size->total);
    std::uint64_t next = 0;
    for (std::size_t j = 0; j < units.size(); ++j) {
      const WorkUnit& unit = units[j];
      ASSERT_EQ(unit.first, next) << "unit " << j << " of total " << model.total;
      next += unit.compositions;
      const auto& shape = shapes[static_cast<std::size_t>(unit.pass)];
      EXPECT_TRUE(unit.compositions <= kestrav::engine::kMaxUnitCompositions ||
                  unit.prefixLength == shape.deepestPrefix || shape.whole)
          << "unit " << j << " holds " << unit.compositions;
      if (j > 0 && units[j - 1].pass == unit.pass) {
        // Decreasing order: the earlier prefix is larger where they differ.
        const WorkUnit& before = units[j - 1];
        const int common = std::min(before.prefixLength, unit.prefixLength);
        EXPECT_TRUE(std::lexicographical_compare(unit.prefix, unit.prefix + common, before.prefix,
                                                 before.prefix + common))
            << "unit " << j;
      }
    }
    EXPECT_EQ(next, size->total);
  }
}

TEST(Shards, AreContiguousBalancedAndCutInIntegers) {
  const auto model = catalogueModel(75, 80);
  const std::uint64_t total = kestrav::engine::searchSize(model)->total;
  const auto all = unitsOf(model, 0, total);
  for (int count : {1, 2, 7, 1000}) {
    std::vector<WorkUnit> joined;
    for (int index = 1; index <= count; ++index) {
      const auto range = kestrav::engine::shardCompositions(total, index, count);
      const auto part = unitsOf(model, range.first, range.end);
      std::uint64_t compositions = 0;
      for (const auto& unit : part) compositions += unit.compositions;
      // A shard carries its share, give or take the unit cut at each end.
      EXPECT_LE(compositions,
                total / static_cast<std::uint64_t>(count) + 2 * kestrav::engine::kMaxUnitCompositions)
          << index << "/" << count;
      joined.insert(joined.end(), part.begin(), part.end());
    }
    ASSERT_EQ(joined.size(), all.size()) << count << " shards";
    for (std::size_t j = 0; j < all.size(); ++j)
      ASSERT_EQ(joined[j].first, all[j].first) << count << " shards";
  }
  // The boundaries of the largest count there is, exact and contiguous.
  const std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(kestrav::engine::shardCompositions(most, 1, 7).first, 0u);
  EXPECT_EQ(kestrav::engine::shardCompositions(most, 7, 7).end, most);
  EXPECT_EQ(kestrav::engine::shardCompositions(most, 3, 7).end,
            kestrav::engine::shardCompositions(most, 4, 7).first);
  EXPECT_EQ(kestrav::engine::shardCompositions(10, 2, 3).first, 4u);
  EXPECT_EQ(kestrav::engine::shardCompositions(10, 2, 3).end, 7u);
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
                unitsOf(model, 0, kestrav::engine::searchSize(model)->total).size())
          << kestrav::programName(number);
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
      EXPECT_EQ(joined, whole.records) << kestrav::programName(number) << " in " << count << " shards";
      EXPECT_EQ(records, static_cast<std::uint64_t>(std::count(joined.begin(), joined.end(), '\n')));
    }
  }
}

}  // namespace
