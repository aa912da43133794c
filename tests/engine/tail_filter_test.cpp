// Every vector kernel finds exactly the tuples at which all blocks vanish
// modulo 2^16, for every tail length, block count and a tuple count that is
// not a multiple of any lane width.

#include <gtest/gtest.h>

#include <random>

#include "engine/tail_filter.hpp"
#include "tests/engine/engine_test_support.hpp"

namespace {

using kestrav::engine::kFilterPadding;
using kestrav::engine::TailFilterInput;

std::vector<std::uint32_t> directHits(const TailFilterInput& in) {
  std::vector<std::uint32_t> hits;
  for (std::uint32_t i = 0; i < in.count; ++i) {
    bool all = true;
    for (int b = 0; b < in.blockCount; ++b) {
      std::uint32_t value = 0;
      for (int s = 0; s < (1 << in.tailLength); ++s) {
        std::uint32_t term = in.coefficients[b * (1 << in.tailLength) + s];
        for (int l = 0; l < in.tailLength; ++l) {
          if (s >> l & 1) term *= in.entries[l][i];
        }
        value += term;
      }
      all = all && (value & 0xFFFFu) == 0;
    }
    if (all) hits.push_back(i);
  }
  return hits;
}

TEST(TailFilter, EveryKernelFindsExactlyTheZerosModulo2To16) {
  std::mt19937 random(12345);
  for (const auto level : kestrav::engine::testing::availableSimdLevels()) {
    const auto filter = kestrav::engine::tailFilterFor(level);
    for (int length = 1; length <= kestrav::engine::kMaxTailLength; ++length) {
      for (int blocks = 0; blocks <= 2; ++blocks) {
        for (std::uint32_t count : {1u, 7u, 31u, 33u, 100u, 1000u}) {
          // Small entries and coefficients, the last one chosen so that about
          // a third of the tuples vanish: hits at every lane position.
          std::vector<std::uint16_t> entries[4];
          for (auto& e : entries) {
            e.resize(count + kFilterPadding);
            for (auto& v : e) v = static_cast<std::uint16_t>(random() % 40 + 1);
          }
          std::vector<std::uint16_t> coefficients(static_cast<std::size_t>(blocks) << length);
          for (auto& c : coefficients) c = static_cast<std::uint16_t>(random() % 3 == 0 ? 0 : random());
          for (int b = 0; b < blocks; ++b) coefficients[static_cast<std::size_t>(b) << length] = 0;
          if (blocks > 0) coefficients[0] = static_cast<std::uint16_t>(-(entries[0][3] * coefficients[1]));
          TailFilterInput in;
          in.tailLength = length;
          in.blockCount = blocks;
          in.coefficients = coefficients.data();
          for (int l = 0; l < length; ++l) in.entries[l] = entries[l].data();
          in.count = count;
          std::vector<std::uint32_t> hits(count + kFilterPadding);
          hits.resize(filter(in, hits.data()));
          EXPECT_EQ(hits, directHits(in)) << kestrav::engine::simdLevelName(level) << " L=" << length
                                          << " blocks=" << blocks << " count=" << count;
        }
      }
    }
  }
}

TEST(TailFilter, BestLevelIsAvailableAndScalarAlwaysIs) {
  EXPECT_TRUE(kestrav::engine::simdLevelAvailable(kestrav::engine::SimdLevel::Scalar));
  EXPECT_TRUE(kestrav::engine::simdLevelAvailable(kestrav::engine::bestSimdLevel()));
}

}  // namespace
