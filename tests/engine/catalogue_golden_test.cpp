// Every catalogue row through the engine gives the committed checksum of the
// program's result file.

#include <gtest/gtest.h>

#include <cstdio>

#include "core/result_name.hpp"
#include "engine/catalogue_search.hpp"
#include "engine/search_run.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/check_tables.hpp"
#include "tests/support/program_runner.hpp"

namespace {

class EngineGolden : public ::testing::TestWithParam<int> {};

TEST_P(EngineGolden, ResultFileHasTheGoldenChecksum) {
  const int number = GetParam();
  const auto& row = kestrav::testing::catalogueRow(number);
  const auto model = kestrav::engine::searchModelFromRow(row.variant, row.blocks);
  EXPECT_EQ(kestrav::engine::evaluationWidth(model), 32);
  kestrav::testing::ScratchDirectory dir;
  const auto path = dir.path() / kestrav::resultFileName(number);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  kestrav::engine::SearchOptions options;
  options.threads = 2;
  options.simd = kestrav::engine::bestSimdLevel();
  options.tailLength = 4;
  kestrav::engine::SearchSummary summary;
  std::string error;
  EXPECT_EQ(kestrav::engine::runSearch(model, options, out, summary, error),
            kestrav::engine::SearchStatus::Complete)
      << error;
  ASSERT_EQ(std::fclose(out), 0);
  EXPECT_EQ(kestrav::testing::sha256(path), kestrav::testing::goldenChecksums().at(number));
  std::uint64_t records = 0;
  for (auto r : summary.recordsPerPass) records += r;
  EXPECT_EQ(records, kestrav::testing::fileLines().at(number));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EngineGolden, ::testing::ValuesIn(kestrav::testing::catalogueNumbers()),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return kestrav::programName(info.param);
                         });

}  // namespace
