// Models the catalogue relates: reorderings of one another, shared codes,
// and models that are reorderings of no other. A wrongly copied Gram code or
// layout breaks one of these.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/result_name.hpp"
#include "models/catalogue.hpp"
#include "models/model_table.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/check_tables.hpp"
#include "tests/support/generated_model.hpp"

namespace {

using kestrav::BlockPolynomial;

const BlockPolynomial& polynomialOf(int number) {
  return kestrav::testing::catalogueRow(number).blocks.at(0).polynomial;
}

// Extends a partial map of B's entries onto A's entries, one entry at a time,
// so that coefficient_B(S) = coefficient_A(image of S) for every subset S of
// the entries mapped so far.
bool extendReordering(const BlockPolynomial& b, const BlockPolynomial& a, std::vector<int>& image,
                      std::uint32_t usedInA) {
  const int next = static_cast<int>(image.size());
  if (next == b.size) return true;
  for (int target = 0; target < a.size; ++target) {
    if (usedInA & (1u << target)) continue;
    image.push_back(target);
    bool consistent = true;
    // Only the subsets that contain the newly mapped entry are new.
    for (std::uint32_t rest = 0; consistent && rest < (1u << next); ++rest) {
      std::uint32_t mapped = 1u << target;
      for (int j = 0; j < next; ++j) {
        if (rest & (1u << j)) mapped |= 1u << image[static_cast<std::size_t>(j)];
      }
      consistent = b.coefficients[rest | (1u << next)] == a.coefficients[mapped];
    }
    if (consistent && extendReordering(b, a, image, usedInA | (1u << target))) return true;
    image.pop_back();
  }
  return false;
}

bool isReordering(const BlockPolynomial& b, const BlockPolynomial& a) {
  if (b.size != a.size) return false;
  std::vector<int> image;
  return extendReordering(b, a, image, 0);
}

TEST(RelatedModels, ValuesAgreeAtTheStatedReordering) {
  std::mt19937 random(99);
  std::uniform_int_distribution<int> entry(0, 45);
  const auto relations = kestrav::testing::relatedModels();
  ASSERT_FALSE(relations.empty());
  for (const auto& relation : relations) {
    const auto& b = kestrav::testing::generatedModel(relation.program);
    const auto& a = kestrav::testing::generatedModel(relation.base);
    ASSERT_EQ(b.entryCount, a.entryCount);
    ASSERT_EQ(static_cast<int>(relation.indices.size()), b.entryCount);
    for (int trial = 0; trial < 500; ++trial) {
      std::vector<std::uint16_t> x(static_cast<std::size_t>(b.entryCount));
      for (auto& v : x) v = static_cast<std::uint16_t>(entry(random));
      std::vector<std::uint16_t> y;
      for (int i : relation.indices) y.push_back(x[static_cast<std::size_t>(i - 1)]);
      ASSERT_EQ(b.evaluate(x.data()), a.evaluate(y.data()))
          << kestrav::programName(relation.program) << " against " << kestrav::programName(relation.base)
          << " at " << ::testing::PrintToString(x);
    }
  }
}

TEST(RelatedModels, ReorderingsThatKeepPinnedEntriesKeepRecordCounts) {
  std::map<std::pair<int, int>, std::size_t> records;  // (program, multiplier)
  for (const auto& pass : kestrav::testing::passRecords())
    records[{pass.program, pass.multiplier}] = pass.records;
  for (const auto& relation : kestrav::testing::relatedModels()) {
    if (!relation.keepsPinnedEntries) continue;
    for (int m : {1, 2, 5}) {
      const auto b = records.find({relation.program, m});
      const auto a = records.find({relation.base, m});
      ASSERT_EQ(b == records.end(), a == records.end());
      if (b != records.end()) {
        EXPECT_EQ(b->second, a->second) << relation.program << " pass " << m;
      }
    }
  }
}

// Every two rows whose one block has the same Gram code, whatever their
// layouts: one polynomial, and generated models that agree everywhere.
TEST(RelatedModels, SharedCodesShareOneModel) {
  std::mt19937 random(33);
  std::uniform_int_distribution<int> entry(0, 65535);
  const auto& rows = kestrav::testing::catalogueRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t j = i + 1; j < rows.size(); ++j) {
      const auto& one = rows[i];
      const auto& other = rows[j];
      if (one.blocks.size() != 1 || other.blocks.size() != 1 ||
          one.variant.blocks[0].gramCode != other.variant.blocks[0].gramCode) {
        continue;
      }
      const int a = one.variant.number;
      const int b = other.variant.number;
      EXPECT_EQ(polynomialOf(a).coefficients, polynomialOf(b).coefficients) << a << " and " << b;
      std::vector<std::uint16_t> x(static_cast<std::size_t>(one.variant.entryCount));
      for (int trial = 0; trial < 1000; ++trial) {
        for (auto& v : x) v = static_cast<std::uint16_t>(entry(random));
        ASSERT_EQ(kestrav::testing::generatedModel(a).evaluate(x.data()),
                  kestrav::testing::generatedModel(b).evaluate(x.data()))
            << kestrav::programName(a) << " and " << kestrav::programName(b);
      }
    }
  }
}

TEST(RelatedModels, GroupsAreReorderingsAndLoneModelsAreNot) {
  for (const auto& group : kestrav::testing::modelGroups()) {
    if (!group.alone) {
      for (int member : group.programs) {
        EXPECT_TRUE(isReordering(polynomialOf(member), polynomialOf(group.programs.front())))
            << kestrav::programName(member) << " and " << kestrav::programName(group.programs.front());
      }
      continue;
    }
    const int lone = group.programs.front();
    for (const auto& row : kestrav::testing::catalogueRows()) {
      if (row.variant.number == lone || row.blocks.size() != 1) continue;
      EXPECT_FALSE(isReordering(polynomialOf(lone), row.blocks[0].polynomial))
          << kestrav::programName(lone) << " is a reordering of " << kestrav::programName(row.variant.number);
    }
  }
  // The search itself: a model is a reordering of itself, and two models of
  // different shape are not reorderings.
  EXPECT_TRUE(isReordering(polynomialOf(75), polynomialOf(75)));
  EXPECT_FALSE(isReordering(polynomialOf(41), polynomialOf(40)));
}

}  // namespace
