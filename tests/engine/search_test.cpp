// The engine against the straightforward search: small models of every
// layout, one to four blocks, over every SIMD level, tail length and thread
// count; exact 64-bit evaluation where 32 bits would not be exact.

#include <gtest/gtest.h>

#include "engine/search_model.hpp"
#include "models/block_polynomial.hpp"
#include "models/gram_code.hpp"
#include "tests/engine/engine_test_support.hpp"

namespace {

using kestrav::Layout;
using kestrav::engine::ModelBlock;
using kestrav::engine::SearchModel;

ModelBlock blockOf(std::vector<int> positions, const std::string& code) {
  kestrav::GramMatrix gram;
  std::string error;
  if (!kestrav::decodeGramCode(code, static_cast<int>(positions.size()), gram, error))
    throw std::runtime_error(error);
  return ModelBlock{std::move(positions), kestrav::expandBlock(gram).coefficients};
}

struct Case {
  const char* name;
  SearchModel model;
};

std::vector<Case> cases() {
  return {
      {"single BothEnds",
       {8,
        Layout::BothEnds,
        40,
        {1, 2, 4},
        {blockOf({1, 2, 3, 4, 5, 6, 7, 8}, "---1110/21100-/1100-/0111/11-/21/1")}}},
      {"single HeadOnly",
       {7,
        Layout::HeadOnly,
        40,
        {1, 2, 4, 5},
        {blockOf({1, 2, 3, 4, 5, 6, 7}, "---111/22001/2001/001/21/1")}}},
      {"single TailOnly",
       {6, Layout::TailOnly, 36, {1, 2, 3}, {blockOf({1, 2, 3, 4, 5, 6}, "22-00/2-00/-00/11/1")}}},
      {"single Bare", {5, Layout::Bare, 40, {1}, {blockOf({1, 2, 3, 4, 5}, "1111/220/20/0")}}},
      {"two blocks, pruned first",
       {6, Layout::Bare, 40, {1}, {blockOf({1, 2, 3}, "22/2"), blockOf({4, 5, 6}, "-1/1")}}},
      {"two blocks, interleaved",
       {7, Layout::Bare, 30, {1}, {blockOf({2, 5}, "2"), blockOf({1, 3, 4, 6, 7}, "111-/221/21/1")}}},
      {"two blocks, pinned entries",
       {7, Layout::BothEnds, 40, {1, 2}, {blockOf({1, 4, 7}, "11/1"), blockOf({2, 3, 5, 6}, "222/22/2")}}},
      {"two blocks, tail pinned",
       {7, Layout::TailOnly, 40, {1, 2}, {blockOf({1, 2, 3, 4}, "222/22/2"), blockOf({5, 6, 7}, "-1/1")}}},
      {"three blocks, all in a tail of four",
       {7,
        Layout::TailOnly,
        33,
        {1, 3},
        {blockOf({1, 3, 5}, "22/2"), blockOf({2, 6}, "2"), blockOf({4, 7}, "1")}}},
      {"four blocks, all in a tail of four",
       {8,
        Layout::HeadOnly,
        28,
        {1, 2},
        {blockOf({1, 5}, "1"), blockOf({2, 6}, "2"), blockOf({3, 7}, "2"), blockOf({4, 8}, "2")}}},
      {"short composition", {3, Layout::BothEnds, 12, {1, 2, 3}, {blockOf({1, 2, 3}, "11/1")}}},
      {"no compositions in a pass",
       {6, Layout::HeadOnly, 20, {1, 4}, {blockOf({1, 2, 3, 4, 5, 6}, "---11/2200/200/00/2")}}},
  };
}

TEST(EngineSearch, EqualsTheStraightforwardSearchForEverySetting) {
  for (const Case& c : cases()) {
    std::string error;
    ASSERT_TRUE(kestrav::engine::checkSearchModel(c.model, error)) << c.name << ": " << error;
    const std::string expected = kestrav::engine::testing::referenceSearch(c.model);
    for (const auto level : kestrav::engine::testing::availableSimdLevels()) {
      for (int tail = 1; tail <= kestrav::engine::kMaxTailLength; ++tail) {
        for (int threads : {1, 2}) {
          kestrav::engine::SearchOptions options;
          options.simd = level;
          options.tailLength = tail;
          options.threads = threads;
          const auto output = kestrav::engine::testing::runToString(c.model, options);
          EXPECT_EQ(output.records, expected) << c.name << ", " << kestrav::engine::simdLevelName(level)
                                              << ", tail " << tail << ", " << threads << " threads";
        }
      }
    }
  }
}

TEST(EngineSearch, SomeCasesHaveRecordsInSeveralPasses) {
  // Guards the table above against cases that are all empty.
  const auto all = cases();
  const auto output = kestrav::engine::testing::runToString(all[0].model, {});
  ASSERT_EQ(output.summary.recordsPerPass.size(), 3u);
  for (auto records : output.summary.recordsPerPass) EXPECT_GT(records, 0u);
  EXPECT_EQ(output.records, kestrav::engine::testing::referenceSearch(all[0].model));
}

TEST(EngineSearch, LargeCoefficientsAreEvaluatedExactlyIn64Bits) {
  // The block 22/2 times 2^24 + 3: the same zeros (1/y1 + 1/y2 + 1/y3 = 1/2),
  // but values beyond 2^31, so the search runs in 64 bits.
  ModelBlock block = blockOf({1, 2, 3}, "22/2");
  for (auto& c : block.coefficients) c *= (std::int64_t{1} << 24) + 3;
  const SearchModel model{3, Layout::Bare, 52, {1}, {block}};
  std::string error;
  ASSERT_TRUE(kestrav::engine::checkSearchModel(model, error)) << error;
  EXPECT_EQ(kestrav::engine::evaluationWidth(model), 64);
  const std::string expected = kestrav::engine::testing::referenceSearch(model);
  EXPECT_EQ(expected, "42 7 3 \n42 3 7 \n7 42 3 \n7 3 42 \n3 42 7 \n3 7 42 \n");
  for (const auto level : kestrav::engine::testing::availableSimdLevels()) {
    kestrav::engine::SearchOptions options;
    options.simd = level;
    EXPECT_EQ(kestrav::engine::testing::runToString(model, options).records, expected)
        << kestrav::engine::simdLevelName(level);
  }
}

TEST(EngineSearch, ZeroMeansExactlyZeroNotZeroModulo2To32) {
  // The value 2^32 * y1 vanishes in wrapping 32-bit arithmetic and modulo
  // 2^16 everywhere, but is never 0: no records.
  SearchModel model{2, Layout::Bare, 10, {1}, {ModelBlock{{1, 2}, {0, std::int64_t{1} << 32, 0, 0}}}};
  std::string error;
  ASSERT_TRUE(kestrav::engine::checkSearchModel(model, error)) << error;
  EXPECT_EQ(kestrav::engine::evaluationWidth(model), 64);
  for (const auto level : kestrav::engine::testing::availableSimdLevels()) {
    kestrav::engine::SearchOptions options;
    options.simd = level;
    EXPECT_EQ(kestrav::engine::testing::runToString(model, options).records, "")
        << kestrav::engine::simdLevelName(level);
  }
}

TEST(SearchModelCheck, RejectsWhatTheEngineCannotRunExactly) {
  using kestrav::engine::ModelField;
  const ModelBlock block = blockOf({1, 2, 3, 4}, "111/22/2");
  struct Bad {
    SearchModel model;
    ModelField field;
  };
  const std::vector<Bad> bad = {
      {{4, Layout::BothEnds, 50, {1, 3}, {block}}, ModelField::Multipliers},
      {{4, Layout::Bare, 70000, {1}, {block}}, ModelField::Total},
      {{5, Layout::Bare, 50, {1}, {block}}, ModelField::Blocks},
      {{4, Layout::Bare, 50, {1}, {block, blockOf({4, 5}, "1")}}, ModelField::Blocks},
      {{2, Layout::BothEnds, 50, {1}, {blockOf({1, 2}, "1")}}, ModelField::Entries},
      {{10,
        Layout::Bare,
        60000,
        {1},
        {blockOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "111--1000/22000001/2000001/000001/2-110/-110/111/21/1")}},
       ModelField::Total},
  };
  for (const Bad& b : bad) {
    const char* name = kestrav::engine::modelFieldName(b.field);
    kestrav::engine::ModelFault fault;
    EXPECT_FALSE(kestrav::engine::checkSearchModel(b.model, fault)) << name;
    EXPECT_EQ(fault.field, b.field) << name << ": " << fault.reason;
    // The command line words the message with the option the user gave.
    EXPECT_EQ(fault.reason.find("--"), std::string::npos) << fault.reason;
  }
}

}  // namespace
