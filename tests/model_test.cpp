// Gram codes, minors and expanded models, checked against an independent
// determinant, and the catalogue's rows and term counts.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/block_values.hpp"
#include "core/result_name.hpp"
#include "models/block_polynomial.hpp"
#include "models/catalogue.hpp"
#include "models/gram_code.hpp"
#include "models/model_table.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/model_oracle.hpp"

namespace {

using kestrav::BlockPolynomial;
using kestrav::ExpandedBlock;
using kestrav::GramMatrix;
using kestrav::VariantSpec;

GramMatrix decode(const std::string& code) {
  GramMatrix matrix;
  std::string error;
  EXPECT_TRUE(kestrav::decodeGramCode(code, kestrav::gramCodeSize(code), matrix, error)) << error;
  return matrix;
}

using kestrav::testing::CatalogueRow;

const std::vector<CatalogueRow>& catalogue() { return kestrav::testing::catalogueRows(); }

TEST(GramCode, DecodesTheWrittenExamples) {
  struct Case {
    std::string code;
    std::vector<int> elements;
  };
  const Case cases[] = {
      {"2", {2, 2, 2, 2}},
      {"-1/1", {2, -1, 1, -1, 2, 1, 1, 1, 2}},
      {"=0/-", {2, -2, 0, -2, 2, -1, 0, -1, 2}},
      {"222/22/2", std::vector<int>(16, 2)},
  };
  for (const Case& c : cases) EXPECT_EQ(decode(c.code).elements, c.elements) << c.code;
}

TEST(GramCode, RejectsMalformedCodes) {
  struct Case {
    std::string code;
    int size;
    std::string reason;
  };
  const Case cases[] = {
      {"22/2", 4, "has 2 groups"},        // too few groups
      {"222/22/2/1", 4, "has 4 groups"},  // too many
      {"22/22/2", 4, "group 1"},          // short first group
      {"222/2/2", 4, "group 2"},          // short middle group
      {"222/22/", 4, "group 3"},          // empty last group
      {"2x2/22/2", 4, "character 'x'"},   // unknown character
      {"222/+2/2", 4, "character '+'"},  {"", 2, "group 1"}, {"2", 1, "size 2 or more"},
  };
  for (const Case& c : cases) {
    GramMatrix matrix;
    std::string error;
    EXPECT_FALSE(kestrav::decodeGramCode(c.code, c.size, matrix, error)) << c.code;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.code << ": " << error;
  }
}

TEST(BlockPolynomial, WrittenExamples) {
  // "2": y1 y2 - 2 y1 - 2 y2.
  const BlockPolynomial two = kestrav::expandBlock(decode("2"));
  EXPECT_EQ(two.coefficients, (std::vector<std::int64_t>{0, -2, -2, 1}));
  // "222/22/2": y1 y2 y3 y4 - 2 (every product of three).
  const BlockPolynomial allTwos = kestrav::expandBlock(decode("222/22/2"));
  for (std::uint32_t mask = 0; mask < 16; ++mask) {
    const int size = std::popcount(mask);
    EXPECT_EQ(allTwos.coefficients[mask], size == 4 ? 1 : size == 3 ? -2 : 0) << mask;
  }
  struct Case {
    std::string code;
    int terms;
  };
  const Case cases[] = {{"2", 3},
                        {"222/22/2", 5},
                        {"-1/1", 7},
                        {"21100/1100/211/11/2", 27},
                        {"---111000/11100--0/101010-/001011/11--0/110-/011/1-/1", 291}};
  for (const Case& c : cases)
    EXPECT_EQ(kestrav::termCount(kestrav::expandBlock(decode(c.code))), c.terms) << c.code;
}

TEST(BlockPolynomial, BareissAgreesWithTheOracle) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> element(-9, 9);
  for (int size = 1; size <= 8; ++size) {
    for (int trial = 0; trial < 50; ++trial) {
      std::vector<std::int64_t> m(static_cast<std::size_t>(size * size));
      for (auto& e : m) e = trial % 3 == 0 ? element(random) % 2 : element(random);  // many singular ones
      EXPECT_EQ(kestrav::bareissDeterminant(m, size), kestrav::testing::subsetExpansionDeterminant(m, size));
    }
  }
}

TEST(Catalogue, HasSeventyTwoRowsWithTheirTermCounts) {
  ASSERT_EQ(catalogue().size(), 72u);
  std::vector<int> numbers;
  for (const CatalogueRow& row : catalogue()) numbers.push_back(row.variant.number);
  std::vector<int> expected;
  for (int n = 1; n <= 75; ++n) {
    if (n != 7 && n != 8 && n != 24) expected.push_back(n);
  }
  EXPECT_EQ(numbers, expected);
}

TEST(Catalogue, RowsWithAWrongTermCountOrMatrixAreRejected) {
  struct Case {
    std::string line;
    std::string reason;
  };
  const Case cases[] = {
      {"35 unscaled Bare 6 6 single 21100/1100/211/11/2 28", "27 terms, the row says 28"},
      {"35 unscaled Bare 6 6 single 21100/1100/211/11/= 27", "not positive semidefinite"},
      {"35 unscaled Bare 6 6 single 00000/0000/000/00/0 1", "rank 6"},
      {"35 unscaled Bare 6 6 single 21100/1100/211/11 27", "has 4 groups"},
      {"35 unscaled Bare 6 5 single 21100/1100/211/11/2 27", "composition length 5 should be 6"},
      {"35 scaled Bare 6 6 single 21100/1100/211/11/2 27", "does not belong"},
      {"5 scaled BothEnds 11 9 single 2 3", "outside 6..10"},
      {"2 unscaled Bare 6 6 two 1-4:222/22/2 4-6:2 5+3", "exactly once"},
      {"2 unscaled Bare 6 6 two 1-4:222/22/2 5-6:2= 5+3", "block 2: "},
  };
  for (const Case& c : cases) {
    VariantSpec variant;
    std::string error;
    ASSERT_TRUE(kestrav::parseCatalogueRow(c.line, variant, error)) << c.line << ": " << error;
    std::vector<ExpandedBlock> blocks;
    EXPECT_FALSE(kestrav::expandCatalogueRow(variant, blocks, error)) << c.line;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.line << ": " << error;
  }
}

TEST(Catalogue, UnparsableRowsAreRejected) {
  const std::string lines[] = {
      "35 unscaled Bare 6 6 single",                              // too few fields
      "x unscaled Bare 6 6 single 21100/1100/211/11/2 27",        // number
      "35 sideways Bare 6 6 single 21100/1100/211/11/2 27",       // family
      "35 unscaled Middle 6 6 single 21100/1100/211/11/2 27",     // layout
      "35 unscaled Bare 6 6 triple 21100/1100/211/11/2 27",       // form
      "35 unscaled Bare 6 6 single 21100/1100/211/11/2 2x",       // terms
      "2 unscaled Bare 6 6 two 1-4:222/22/2 5-6 5+3",             // block without code
      "2 unscaled Bare 6 6 two 4-1:222/22/2 5-6:2 5+3",           // descending range
      "2 unscaled Bare 6 6 two 1-4:222/22/2 5-6:2 5",             // one term count
      "2 unscaled Bare 6 6 two 1-4:222/22/2 5-2000000000:2 5+3",  // position out of range
  };
  for (const std::string& line : lines) {
    VariantSpec variant;
    std::string error;
    EXPECT_FALSE(kestrav::parseCatalogueRow(line, variant, error)) << line;
    EXPECT_FALSE(error.empty());
  }
}

// Positions read back as written, ranges for runs; malformed lists rejected.
TEST(Catalogue, EntryPositionsReadAndWrittenBack) {
  const std::pair<std::string, std::vector<int>> written[] = {
      {"1-4,7", {1, 2, 3, 4, 7}}, {"5-6", {5, 6}}, {"3,1-2", {3, 1, 2}}, {"9", {9}}, {"2,1", {2, 1}}};
  for (const auto& [text, positions] : written) {
    std::vector<int> read;
    EXPECT_TRUE(kestrav::parseEntryPositions(text, read)) << text;
    EXPECT_EQ(read, positions) << text;
    EXPECT_EQ(kestrav::formatEntryPositions(positions), text);
  }
  for (const char* text : {"", "1,", ",1", "0", "2-1", "1-2-3", "33", "1-x"}) {
    std::vector<int> read;
    EXPECT_FALSE(kestrav::parseEntryPositions(text, read)) << '"' << text << '"';
  }
}

TEST(Catalogue, SwitchingTheSignOfARowAndColumnChangesNoModel) {
  for (const CatalogueRow& row : catalogue()) {
    for (const ExpandedBlock& block : row.blocks) {
      for (int j = 0; j < block.gram.size; ++j) {
        GramMatrix switched = block.gram;
        for (int i = 0; i < switched.size; ++i) {
          if (i == j) continue;
          switched.elements[switched.index(i, j)] *= -1;
          switched.elements[switched.index(j, i)] *= -1;
        }
        EXPECT_EQ(kestrav::expandBlock(switched).coefficients, block.polynomial.coefficients)
            << "row " << row.variant.number << ", entry " << j + 1;
      }
    }
  }
}

TEST(GeneratedModels, MatchTheOracleAtRandomTuples) {
  const auto& models = kestrav::generatedModels();
  ASSERT_EQ(models.size(), catalogue().size());
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> small(0, 45);
  std::uniform_int_distribution<int> large(0, 65535);
  for (std::size_t r = 0; r < models.size(); ++r) {
    const CatalogueRow& row = catalogue()[r];
    ASSERT_EQ(models[r].number, row.variant.number);
    ASSERT_EQ(models[r].entryCount, row.variant.entryCount);
    for (int trial = 0; trial < 300; ++trial) {
      std::vector<std::uint16_t> x(static_cast<std::size_t>(row.variant.entryCount));
      // Mostly search-sized entries; every tenth tuple with entries that
      // overflow 32 bits, so the wrapping arithmetic is compared too.
      for (auto& e : x) e = static_cast<std::uint16_t>(trial % 10 == 9 ? large(random) : small(random));
      ASSERT_EQ(models[r].evaluate(x.data()), kestrav::testing::oracleModel(row, x))
          << kestrav::programName(row.variant.number) << " at " << ::testing::PrintToString(x);
    }
    // Every catalogue matrix is singular, so every model vanishes at zero.
    const std::vector<std::uint16_t> zeros(static_cast<std::size_t>(row.variant.entryCount), 0);
    EXPECT_EQ(models[r].evaluate(zeros.data()), 0) << row.variant.number;
  }
}

TEST(TwoBlockValues, CombineExactlyOrSaturate) {
  struct Case {
    std::int32_t first;
    std::int32_t second;
    std::int32_t result;
  };
  const Case cases[] = {
      {0, 0, 0},
      {-324, 26, 105'652},
      {0, -4, 16},
      {46'340, 0, 2'147'395'600},   // the largest square that fits
      {46'341, 0, INT32_MIN},       // 2,147,488,281 does not fit
      {32'768, 32'768, INT32_MIN},  // 2^31 exactly does not fit
      {32'767, 32'768, 2'147'418'113},
      {-7, -393'211, INT32_MIN},
      {INT32_MIN, INT32_MIN, INT32_MIN},  // 2^63: no overflow in the sum
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kestrav::combineBlockValues(c.first, c.second), c.result) << c.first << ", " << c.second;
  }
}

}  // namespace
