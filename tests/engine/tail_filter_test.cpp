// Every vector kernel finds exactly the tuples at which all blocks vanish
// modulo 2^16, for every tail length, every block count up to
// kMaxFilterBlocks and a tuple count that is not a multiple of any lane
// width.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/tail_filter.hpp"
#include "engine/tail_table.hpp"
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

// The value of one block's table at tuple i of the input, modulo 2^16.
std::uint16_t valueAt(const TailFilterInput& in, const std::uint16_t* table, std::uint32_t i) {
  std::uint32_t value = 0;
  for (int s = 0; s < (1 << in.tailLength); ++s) {
    std::uint32_t term = table[s];
    for (int l = 0; l < in.tailLength; ++l) {
      if (s >> l & 1) term *= in.entries[l][i];
    }
    value += term;
  }
  return static_cast<std::uint16_t>(value);
}

// Shifts every block's table so that it vanishes at tuple chosen.
void vanishAt(const TailFilterInput& in, std::uint16_t* coefficients, std::uint32_t chosen) {
  for (int b = 0; b < in.blockCount; ++b) {
    std::uint16_t* table = coefficients + (static_cast<std::size_t>(b) << in.tailLength);
    table[0] = static_cast<std::uint16_t>(table[0] - valueAt(in, table, chosen));
  }
}

TEST(TailFilter, EveryKernelFindsExactlyTheZerosModulo2To16) {
  std::mt19937 random(12345);
  for (const auto level : kestrav::engine::testing::availableSimdLevels()) {
    const auto filter = kestrav::engine::tailFilterFor(level);
    for (int length = 1; length <= kestrav::engine::kMaxTailLength; ++length) {
      for (int blocks = 0; blocks <= kestrav::engine::kMaxFilterBlocks; ++blocks) {
        for (std::uint32_t count : {1u, 7u, 31u, 33u, 100u, 1000u}) {
          for (bool dense : {true, false}) {
            // Small entries and every block shifted to vanish at one chosen
            // tuple, so that each block count has a hit that needs every
            // block. Dense tables (coefficients multiples of 2^14) vanish at
            // many tuples each, so that some blocks vanish where others do
            // not; in full tables a third of the coefficients are 0.
            std::vector<std::uint16_t> entries[kestrav::engine::kMaxTailLength];
            for (auto& e : entries) {
              e.resize(count + kFilterPadding);
              for (auto& v : e) v = static_cast<std::uint16_t>(random() % 40 + 1);
            }
            std::vector<std::uint16_t> coefficients(static_cast<std::size_t>(blocks) << length);
            for (auto& c : coefficients) {
              const auto full = static_cast<std::uint16_t>(random() % 3 == 0 ? 0 : random());
              c = dense ? static_cast<std::uint16_t>((random() % 4) << 14) : full;
            }
            TailFilterInput in;
            in.tailLength = length;
            in.blockCount = blocks;
            in.coefficients = coefficients.data();
            for (int l = 0; l < length; ++l) in.entries[l] = entries[l].data();
            in.count = count;
            vanishAt(in, coefficients.data(), static_cast<std::uint32_t>(random() % count));
            std::vector<std::uint32_t> hits(count + kFilterPadding);
            hits.resize(filter(in, hits.data()));
            const std::vector<std::uint32_t> expected = directHits(in);
            EXPECT_EQ(hits, expected)
                << kestrav::engine::simdLevelName(level) << " L=" << length << " blocks=" << blocks
                << " count=" << count << (dense ? " dense" : " full");
            EXPECT_FALSE(expected.empty());
          }
        }
      }
    }
  }
}

// The line walk (finite differences along the last two entries) against the
// tuple-by-tuple evaluation, on the tuples of every sum of a real tail table.
// Every table is shifted to vanish at one chosen tuple. Dense tables
// (coefficients multiples of 2^12) make many more tuples vanish, so that hits
// fall in every lane and at every step; full 16-bit tables test the
// arithmetic.
TEST(TailFilter, LinesFindTheSameZerosAsTuples) {
  std::mt19937 random(2468);
  const auto tupleFilter = kestrav::engine::tailFilterFor(kestrav::engine::SimdLevel::Scalar);
  for (const auto level : kestrav::engine::testing::availableSimdLevels()) {
    const auto filter = kestrav::engine::tailFilterFor(level);
    for (int length = 2; length <= kestrav::engine::kMaxTailLength; ++length) {
      for (int multiplier : {1, 2, 5}) {
        const auto table = kestrav::engine::buildTailTable(length, multiplier, 30);
        for (int blocks = 0; blocks <= kestrav::engine::kMaxFilterBlocks; ++blocks) {
          for (int sum = length; sum <= 30; sum += 3) {
            for (bool dense : {true, false}) {
              TailFilterInput in;
              in.tailLength = length;
              in.blockCount = blocks;
              const std::uint32_t offset = table.offset[static_cast<std::size_t>(sum)];
              for (int l = 0; l < length; ++l) in.entries[l] = table.entries[l].data() + offset;
              in.count = table.count[static_cast<std::size_t>(sum)];
              std::vector<std::uint16_t> coefficients(static_cast<std::size_t>(blocks) << length);
              for (auto& c : coefficients)
                c = static_cast<std::uint16_t>(dense ? (random() % 16) << 12 : random());
              vanishAt(in, coefficients.data(), static_cast<std::uint32_t>(random() % in.count));
              in.coefficients = coefficients.data();
              std::vector<std::uint32_t> expected(in.count + kFilterPadding);
              expected.resize(tupleFilter(in, expected.data()));
              const kestrav::engine::TailLines lines = table.linesOf(sum);
              in.lines = &lines;
              std::vector<std::uint32_t> hits(in.count + kFilterPadding);
              hits.resize(filter(in, hits.data()));
              std::sort(hits.begin(), hits.end());
              EXPECT_EQ(hits, expected)
                  << kestrav::engine::simdLevelName(level) << " L=" << length << " m=" << multiplier
                  << " blocks=" << blocks << " sum=" << sum << (dense ? " dense" : " full");
              EXPECT_FALSE(expected.empty());
            }
          }
        }
      }
    }
  }
}

// Every tuple of a sum lies on exactly one line, and the lines of a sum are
// listed longest first.
TEST(TailTable, LinesCoverEveryTupleOnce) {
  for (int length = 2; length <= kestrav::engine::kMaxTailLength; ++length) {
    const auto table = kestrav::engine::buildTailTable(length, 2, 25);
    for (int sum = length; sum <= 25; ++sum) {
      const kestrav::engine::TailLines lines = table.linesOf(sum);
      const std::uint32_t offset = table.offset[static_cast<std::size_t>(sum)];
      std::vector<int> covered(table.count[static_cast<std::size_t>(sum)], 0);
      for (std::uint32_t i = 0; i < lines.count; ++i) {
        if (i > 0) {
          EXPECT_LE(lines.length[i], lines.length[i - 1]);
        }
        for (std::uint32_t t = 0; t < lines.length[i]; ++t) {
          const std::uint32_t tuple = lines.firstTuple[i] + t;
          ASSERT_LT(tuple, covered.size());
          ++covered[tuple];
          // The last two entries run from (start, m) in steps of (-m, +m).
          EXPECT_EQ(table.entries[length - 2][offset + tuple], lines.start[i] - 2 * t);
          EXPECT_EQ(table.entries[length - 1][offset + tuple], 2 + 2 * t);
          for (int l = 0; l + 2 < length; ++l)
            EXPECT_EQ(table.entries[l][offset + tuple], lines.folded[l][i]);
        }
      }
      EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), static_cast<std::ptrdiff_t>(covered.size()))
          << "L=" << length << " sum=" << sum;
    }
  }
}

}  // namespace
