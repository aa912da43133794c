// Every model value and block value of the check tables, for all rows.

#include <gtest/gtest.h>

#include <map>

#include "core/result_name.hpp"
#include "models/catalogue.hpp"
#include "models/model_table.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/check_tables.hpp"
#include "tests/support/generated_model.hpp"

namespace {

using kestrav::testing::Tuple;

std::vector<std::uint16_t> entriesOf(const Tuple& tuple) {
  std::vector<std::uint16_t> entries;
  for (std::int64_t v : tuple) entries.push_back(static_cast<std::uint16_t>(v));
  return entries;
}

TEST(ModelValues, EveryCheckValueOfEveryRow) {
  const auto values = kestrav::testing::modelValues();
  std::map<int, int> checksPerProgram;
  for (const auto& check : values) {
    const auto& model = kestrav::testing::generatedModel(check.program);
    ASSERT_EQ(static_cast<int>(check.entries.size()), model.entryCount) << check.program;
    const std::vector<std::uint16_t> entries = entriesOf(check.entries);
    EXPECT_EQ(model.evaluate(entries.data()), check.value)
        << kestrav::programName(check.program) << " at " << kestrav::testing::formatRecord(check.entries);
    ++checksPerProgram[check.program];
  }
  // All ones and at least the first tuple of one pass, for every program.
  for (int program : kestrav::testing::catalogueNumbers())
    EXPECT_GE(checksPerProgram[program], 2) << kestrav::programName(program);
  EXPECT_EQ(checksPerProgram.size(), kestrav::testing::catalogueRows().size());
}

TEST(ModelValues, BlockValuesOfTwoBlockModels) {
  for (const auto& check : kestrav::testing::blockValues()) {
    const auto& row = kestrav::testing::catalogueRow(check.program);
    ASSERT_EQ(row.blocks.size(), 2u) << check.program;
    const std::int64_t expected[2] = {check.first, check.second};
    for (std::size_t b = 0; b < 2; ++b) {
      std::vector<std::uint16_t> y;
      for (int p : row.blocks[b].positions)
        y.push_back(static_cast<std::uint16_t>(check.entries[static_cast<std::size_t>(p - 1)]));
      EXPECT_EQ(kestrav::evaluateWrapped(row.blocks[b].polynomial, y.data()), expected[b])
          << kestrav::programName(check.program) << " block " << b + 1 << " at "
          << kestrav::testing::formatRecord(check.entries);
    }
  }
}

}  // namespace
