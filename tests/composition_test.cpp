// Enumeration of compositions: order, successor rule, counts and edges, for
// both enumerations: the run-time length (successor rule in place, one loop
// per line) and the compile-time length (nested loops) the programs use.

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/composition.hpp"
#include "core/run_constants.hpp"
#include "core/text_fields.hpp"

namespace {

using Composition = std::vector<std::uint16_t>;
using Enumeration = std::vector<Composition> (*)(std::uint16_t n, std::int32_t f);

std::vector<Composition> inPlace(std::uint16_t n, std::int32_t f) {
  std::vector<Composition> all;
  kestrav::forEachComposition(n, f, [&all, n](std::uint16_t* c) { all.emplace_back(c, c + n); });
  return all;
}

template <std::size_t... I>
std::vector<Composition> nestedOf(std::uint16_t n, std::int32_t f, std::index_sequence<I...>) {
  std::vector<Composition> all;
  const auto run = [&all, f](auto length) {
    constexpr std::size_t kLength = decltype(length)::value;
    kestrav::forEachComposition<kLength>(f, [&all](std::uint16_t* c) { all.emplace_back(c, c + kLength); });
  };
  ((n == I + 1 ? run(std::integral_constant<std::size_t, I + 1>{}) : void()), ...);
  return all;
}

// Lengths 1 to 8, the longest the programs use.
std::vector<Composition> nested(std::uint16_t n, std::int32_t f) {
  return nestedOf(n, f, std::make_index_sequence<8>{});
}

const std::pair<const char*, Enumeration> kEnumerations[] = {{"in place", inPlace}, {"nested", nested}};

TEST(Composition, WorkedPassOfThreeEntriesSummingToSix) {
  const std::vector<Composition> expected = {{4, 1, 1}, {3, 2, 1}, {3, 1, 2}, {2, 3, 1}, {2, 2, 2},
                                             {2, 1, 3}, {1, 4, 1}, {1, 3, 2}, {1, 2, 3}, {1, 1, 4}};
  for (const auto& [name, enumerate] : kEnumerations) EXPECT_EQ(enumerate(3, 6), expected) << name;
}

TEST(Composition, SuccessorExamples) {
  struct Case {
    Composition from;
    Composition to;
  };
  const Case cases[] = {
      {{4, 1, 1}, {3, 2, 1}},  // last entry 1: move one unit right
      {{3, 1, 2}, {2, 3, 1}},  // last entry not 1
      {{2, 2, 2}, {2, 1, 3}},  // the last entry receives t + 1, not 1
      {{1, 3, 2}, {1, 2, 3}}, {{5, 1, 1, 1, 1}, {4, 2, 1, 1, 1}}, {{1, 1, 3, 1, 4}, {1, 1, 2, 5, 1}},
  };
  for (const Case& c : cases) {
    Composition next = c.from;
    kestrav::advanceComposition(next.data(), static_cast<std::int32_t>(next.size()));
    EXPECT_EQ(next, c.to) << "successor of " << ::testing::PrintToString(c.from);
  }
}

TEST(Composition, OneEntryGivesOneComposition) {
  for (const auto& [name, enumerate] : kEnumerations) {
    for (std::int32_t f : {1, 2, 3, 50}) {
      EXPECT_EQ(enumerate(1, f), std::vector<Composition>{{static_cast<std::uint16_t>(f)}}) << name;
    }
  }
}

TEST(Composition, EqualSumAndLengthGivesAllOnes) {
  for (const auto& [name, enumerate] : kEnumerations) {
    for (std::uint16_t n : {1, 2, 3, 8}) {
      EXPECT_EQ(enumerate(n, n), std::vector<Composition>{Composition(n, 1)}) << name << " n=" << n;
    }
  }
}

// With two entries the whole pass is one line.
TEST(Composition, TwoEntriesCountDownTheFirst) {
  for (const auto& [name, enumerate] : kEnumerations) {
    for (std::int32_t f : {2, 3, 9}) {
      std::vector<Composition> expected;
      for (std::int32_t first = f - 1; first >= 1; --first) {
        expected.push_back({static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(f - first)});
      }
      EXPECT_EQ(enumerate(2, f), expected) << name << " f=" << f;
    }
  }
}

TEST(Composition, EveryCompositionOnceInStrictlyDecreasingOrder) {
  for (const auto& [name, enumerate] : kEnumerations) {
    for (std::uint16_t n = 1; n <= 7; ++n) {
      for (std::int32_t f = n; f <= 14; ++f) {
        const std::vector<Composition> all = enumerate(n, f);
        ASSERT_EQ(all.size(), kestrav::compositionCount(f, n)) << name << " n=" << n << " f=" << f;
        EXPECT_EQ(all.front()[0], f - n + 1);
        EXPECT_EQ(all.back()[n - 1u], f - n + 1);
        for (std::size_t i = 0; i < all.size(); ++i) {
          EXPECT_EQ(std::accumulate(all[i].begin(), all[i].end(), 0), f);
          for (std::uint16_t entry : all[i]) EXPECT_GE(entry, 1);
          if (i > 0) {
            EXPECT_TRUE(all[i - 1] > all[i]) << name << " n=" << n << " f=" << f << " at " << i;
          }
        }
      }
    }
  }
}

TEST(Composition, PassSizesOfThePrograms) {
  struct Case {
    std::uint16_t n;
    std::int32_t f;
    std::uint64_t count;
  };
  // Small passes enumerated in full; the large ones only by the formula.
  const Case cases[] = {{8, 8, 1},          {7, 8, 7},          {6, 8, 21},        {8, 9, 8},
                        {7, 9, 28},         {6, 9, 56},         {6, 23, 26'334},   {7, 23, 74'613},
                        {8, 23, 170'544},   {6, 24, 33'649},    {7, 24, 100'947},  {8, 24, 245'157},
                        {6, 48, 1'533'939}, {6, 49, 1'712'304}, {6, 50, 1'906'884}};
  for (const Case& c : cases) {
    for (const auto& [name, enumerate] : kEnumerations) {
      EXPECT_EQ(enumerate(c.n, c.f).size(), c.count) << name << " n=" << c.n << " f=" << c.f;
    }
  }
  // The large passes by the count alone.
  for (const auto& [n, f, count] :
       {Case{8, 48, 62'891'499}, Case{8, 49, 73'629'072}, Case{8, 50, 85'900'584}, Case{7, 48, 10'737'573},
        Case{7, 49, 12'271'512}, Case{7, 50, 13'983'816}}) {
    EXPECT_EQ(kestrav::compositionCount(f, n), count) << "n=" << n << " f=" << f;
  }
}

TEST(CompositionCount, IsExactUpTo64Bits) {
  struct Case {
    std::int64_t sum;
    int entries;
    std::optional<std::uint64_t> count;
  };
  const Case cases[] = {
      {50, 8, 85'900'584u},  // C(49, 7)
      {1, 1, 1u},
      {5, 6, 0u},
      {0, 1, 0u},
      {68, 34, 14'226'520'737'620'288'370u},   // C(67, 33), the largest central one that fits
      {69, 35, std::nullopt},                  // C(68, 34) does not
      {4869, 7, 18'426'048'264'474'788'224u},  // C(4868, 6), just below 2^64
      {4870, 7, std::nullopt},
      {100'000, 7, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kestrav::compositionCount(c.sum, c.entries), c.count)
        << c.sum << " into " << c.entries << " entries";
  }
}

TEST(RunConstants, DerivedValues) {
  struct Case {
    kestrav::Layout layout;
    std::int32_t removed;
    std::int32_t n;
    std::int32_t sums[3];
  };
  const Case cases[] = {{kestrav::Layout::BothEnds, 0, 8, {48, 23, 8}},
                        {kestrav::Layout::BothEnds, 2, 6, {48, 23, 8}},
                        {kestrav::Layout::HeadOnly, 1, 8, {49, 24, 9}},
                        {kestrav::Layout::TailOnly, 3, 6, {49, 24, 9}},
                        {kestrav::Layout::Bare, 2, 8, {}}};
  for (const Case& c : cases) {
    EXPECT_EQ(kestrav::compositionLength(kestrav::kFullEntryCount - c.removed, c.layout), c.n);
    if (c.layout == kestrav::Layout::Bare) continue;
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(kestrav::compositionSum(50, kestrav::kMultipliers[i], c.layout), c.sums[i]);
    }
  }
}

TEST(TextFields, WholeNumbersAndSeparatedFields) {
  using kestrav::WholeNumber;
  struct Number {
    std::string_view text;
    WholeNumber read;  // as an int in -5..300
    int value;         // what is read, or -99 as it was
  };
  const Number numbers[] = {
      {"42", WholeNumber::Read, 42},
      {"-5", WholeNumber::Read, -5},
      {"007", WholeNumber::Read, 7},
      {"-6", WholeNumber::OutOfRange, -99},
      {"301", WholeNumber::OutOfRange, -99},
      {"99999999999", WholeNumber::OutOfRange, -99},  // beyond int as well
      {"", WholeNumber::NotANumber, -99},
      {"-", WholeNumber::NotANumber, -99},
      {"+1", WholeNumber::NotANumber, -99},
      {" 1", WholeNumber::NotANumber, -99},
      {"1 ", WholeNumber::NotANumber, -99},
      {"12abc", WholeNumber::NotANumber, -99},
      {"99999999999x", WholeNumber::NotANumber, -99},
      {"1.5", WholeNumber::NotANumber, -99},
  };
  for (const Number& n : numbers) {
    int value = -99;
    EXPECT_EQ(kestrav::readWholeNumber(n.text, -5, 300, value), n.read) << '"' << n.text << '"';
    EXPECT_EQ(value, n.value) << '"' << n.text << '"';
  }
  std::size_t count = 0;
  EXPECT_FALSE(kestrav::parseWholeNumber("-1", count));  // an unsigned count does not wrap around

  struct Split {
    std::string_view text;
    std::vector<std::string_view> atCommas;
    std::vector<std::string_view> words;
  };
  const Split splits[] = {
      {"", {""}, {}},
      {"a,,b", {"a", "", "b"}, {"a,,b"}},
      {",a,", {"", "a", ""}, {",a,"}},
      {"  a b  c ", {"  a b  c "}, {"a", "b", "c"}},
      {"a", {"a"}, {"a"}},
  };
  for (const Split& s : splits) {
    EXPECT_EQ(kestrav::splitAt(s.text, ','), s.atCommas) << '"' << s.text << '"';
    EXPECT_EQ(kestrav::blankSeparatedWords(s.text), s.words) << '"' << s.text << '"';
  }
}

}  // namespace
