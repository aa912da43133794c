// Complete runs of every catalogue program, checked against the tables of
// record counts, first and last records, pass-5 records, line counts and
// checksums, and the relations between programs over their result files.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/result_name.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/check_tables.hpp"
#include "tests/support/model_oracle.hpp"
#include "tests/support/program_runner.hpp"
#include "verify/result_file_check.hpp"

namespace {

using kestrav::Layout;
using kestrav::testing::Tuple;

// The multiplier of a record is its pinned entry; an unscaled run is one pass.
int multiplierOf(const Tuple& record, Layout layout) {
  if (layout == Layout::Bare) return 1;
  return static_cast<int>(kestrav::pinsHead(layout) ? record.front() : record.back());
}

class FullRun : public ::testing::TestWithParam<int> {};

// The run's console text and exit status; the result file against every
// check value of its row, the rules every record obeys and the committed
// checksum (see verify/result_file_check.hpp, tested on its own).
TEST_P(FullRun, MatchesEveryCheckValue) {
  const int number = GetParam();
  const auto& variant = kestrav::testing::catalogueRow(number).variant;
  kestrav::testing::ScratchDirectory dir;
  const auto run = kestrav::testing::runIn(dir.path(), kestrav::testing::programPath(number));
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const std::string name = kestrav::resultFileName(number);
  EXPECT_EQ(run.out, "Writing partitions to the file: " + name + "\nFinished. \n\n");
  EXPECT_EQ(run.err, "");
  const auto verdict = kestrav::checkResultFile(variant, dir.path() / name, kestrav::testing::resultChecks());
  EXPECT_EQ(verdict.lines, kestrav::testing::fileLines().at(number));
  EXPECT_EQ(verdict.problems, std::vector<std::string>{});
  if (!::testing::Test::HasFailure()) kestrav::testing::storeResultFile(number, dir.path() / name);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, FullRun, ::testing::ValuesIn(kestrav::testing::catalogueNumbers()),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return kestrav::programName(info.param);
                         });

// The records of a program whose model is a reordering of another's that keeps
// the pinned entries pinned: reordered, they are the other's records, pass by
// pass.
class RelatedRuns : public ::testing::TestWithParam<kestrav::testing::Reordering> {};

std::map<int, std::vector<Tuple>> recordsByPass(int number) {
  const Layout layout = kestrav::testing::catalogueRow(number).variant.layout;
  std::map<int, std::vector<Tuple>> passes;
  for (const auto& line : kestrav::testing::readLines(kestrav::testing::cachedResultFile(number))) {
    const Tuple record = kestrav::testing::parseTuple(line);
    passes[multiplierOf(record, layout)].push_back(record);
  }
  return passes;
}

TEST_P(RelatedRuns, RecordsAreTheBaseRecordsReordered) {
  const auto& relation = GetParam();
  auto base = recordsByPass(relation.base);
  const auto derived = recordsByPass(relation.program);
  std::map<int, std::vector<Tuple>> reordered;
  for (const auto& [m, records] : derived) {
    for (const Tuple& x : records) {
      Tuple y;
      for (int i : relation.indices) y.push_back(x[static_cast<std::size_t>(i - 1)]);
      reordered[m].push_back(y);
    }
  }
  for (auto* passes : {&base, &reordered}) {
    for (auto& [m, records] : *passes) std::sort(records.begin(), records.end());
  }
  EXPECT_EQ(reordered, base);
}

std::vector<kestrav::testing::Reordering> classRelations() {
  std::vector<kestrav::testing::Reordering> relations;
  for (const auto& r : kestrav::testing::relatedModels()) {
    if (r.keepsPinnedEntries) relations.push_back(r);
  }
  return relations;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, RelatedRuns, ::testing::ValuesIn(classRelations()),
                         [](const ::testing::TestParamInfo<kestrav::testing::Reordering>& info) {
                           return kestrav::programName(info.param.program) + "_from_" +
                                  kestrav::programName(info.param.base);
                         });

// Rows that differ only in their number write the same bytes.
TEST(SharedCodes, RowsOfOneSearchWriteTheSameBytes) {
  const auto searchOf = [](const kestrav::VariantSpec& row) {
    std::vector<std::pair<std::vector<int>, std::string>> blocks;
    for (const auto& block : row.blocks) blocks.emplace_back(block.positions, block.gramCode);
    return std::tuple(row.family, row.layout, row.entryCount, blocks);
  };
  const auto& rows = kestrav::testing::catalogueRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t j = i + 1; j < rows.size(); ++j) {
      if (searchOf(rows[i].variant) != searchOf(rows[j].variant)) continue;
      const int a = rows[i].variant.number;
      const int b = rows[j].variant.number;
      EXPECT_EQ(kestrav::testing::readFile(kestrav::testing::cachedResultFile(a)),
                kestrav::testing::readFile(kestrav::testing::cachedResultFile(b)))
          << kestrav::programName(a) << " and " << kestrav::programName(b);
    }
  }
}

// Every record of every two-block program, over its whole result file,
// makes each block exactly 0 (determinants in 64 bits, without the
// generated code).
TEST(TwoBlockRuns, RecordsSolveBothBlocks) {
  for (const auto& row : kestrav::testing::catalogueRows()) {
    if (row.blocks.size() != 2) continue;
    const int number = row.variant.number;
    for (const auto& line : kestrav::testing::readLines(kestrav::testing::cachedResultFile(number))) {
      const Tuple x = kestrav::testing::parseTuple(line);
      ASSERT_EQ(static_cast<int>(x.size()), row.variant.entryCount) << number << ": " << line;
      for (std::size_t b = 0; b < row.blocks.size(); ++b) {
        std::vector<std::uint16_t> y;
        for (int p : row.blocks[b].positions)
          y.push_back(static_cast<std::uint16_t>(x[static_cast<std::size_t>(p - 1)]));
        ASSERT_EQ(kestrav::testing::blockDeterminant<std::int64_t>(row.blocks[b].gram, y), 0)
            << kestrav::programName(number) << " block " << b + 1 << ": " << line;
      }
    }
  }
}

}  // namespace
