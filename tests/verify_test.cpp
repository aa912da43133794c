// The verification of result files: SHA-256 itself, and a correct file
// passes while each kind of damage to it is reported.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/catalogue_rows.hpp"
#include "tests/support/check_tables.hpp"
#include "tests/support/program_runner.hpp"
#include "verify/result_file_check.hpp"
#include "verify/sha256.hpp"

namespace {

namespace fs = std::filesystem;

TEST(Sha256, KnownDigests) {
  struct Case {
    std::string input;
    std::string digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: padding spills a block
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(1000, 'x') + "\n", ""},  // checked against sha256sum below
  };
  kestrav::testing::ScratchDirectory dir;
  for (const Case& c : cases) {
    if (c.digest.empty()) {
      std::ofstream(dir.path() / "input") << c.input;
      EXPECT_EQ(kestrav::sha256Hex(c.input), kestrav::testing::sha256(dir.path() / "input"));
    } else {
      EXPECT_EQ(kestrav::sha256Hex(c.input), c.digest) << c.input.size() << " bytes";
    }
  }
  EXPECT_FALSE(kestrav::sha256OfFile(dir.path() / "missing").has_value());
}

// A text edit of one result line; an empty replacement drops the line.
struct Damage {
  std::string name;
  std::size_t line;  // 0-based; npos appends
  std::string replacement;
  bool dropLineEnd;
  std::string reported;  // part of the first matching problem
};

std::vector<std::string> linesOf(const fs::path& file) { return kestrav::testing::readLines(file); }

void writeLines(const fs::path& file, const std::vector<std::string>& lines, bool dropLastLineEnd) {
  std::ofstream out(file, std::ios::binary);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out << lines[i];
    if (i + 1 < lines.size() || !dropLastLineEnd) out << '\n';
  }
}

TEST(ResultFileCheck, ReportsEachKindOfDamage) {
  // kestrav13: HeadOnly, three passes, every pass-5 record listed.
  const int number = 13;
  const auto& row = kestrav::testing::catalogueRow(number).variant;
  const fs::path original = kestrav::testing::cachedResultFile(number);
  const auto& checks = kestrav::testing::resultChecks();
  const auto lines = linesOf(original);
  ASSERT_EQ(lines.size(), 1373u);
  ASSERT_EQ(lines[1207], "2 20 10 10 4 2 2 ");  // first record of pass 2
  EXPECT_EQ(kestrav::checkResultFile(row, original, checks).problems, std::vector<std::string>{});

  const std::size_t end = std::string::npos;
  const Damage damages[] = {
      {"a record dropped", 5, "", false, "pass 1: 1206 records"},
      {"a value changed", 3, "1 42 1 1 2 2 2 ", false, "does not sum to 50"},
      {"a blank missing", 3, "1 42 1 1 2 2 1", false, "each followed by a blank"},
      {"an extra record", end, "5 10 10 5 10 5 5 ", false, "out of enumeration order"},
      {"a pinned entry wrong", 1207, "3 21 9 9 3 3 2 ", false, "pass 2: first record"},
      {"a pass-1 record after pass 2", 1300, "1 42 1 1 2 2 1 ", false, "which ended before"},
      {"an odd value in pass 2", 1207, "2 21 10 10 3 2 2 ", false, "not a positive multiple of 2"},
      {"the last line end lost", end - 1, "", true, "no line end"},
  };
  kestrav::testing::ScratchDirectory dir;
  const fs::path damaged = dir.path() / original.filename();
  for (const Damage& damage : damages) {
    std::vector<std::string> edited = lines;
    if (damage.line == end) {
      edited.push_back(damage.replacement);
    } else if (damage.line < edited.size()) {
      if (damage.replacement.empty()) {
        edited.erase(edited.begin() + static_cast<std::ptrdiff_t>(damage.line));
      } else {
        edited[damage.line] = damage.replacement;
      }
    }
    writeLines(damaged, edited, damage.dropLineEnd);
    const auto verdict = kestrav::checkResultFile(row, damaged, checks);
    ASSERT_FALSE(verdict.problems.empty()) << damage.name;
    bool found = false;
    for (const auto& problem : verdict.problems)
      found = found || problem.find(damage.reported) != std::string::npos;
    EXPECT_TRUE(found) << damage.name << ": " << ::testing::PrintToString(verdict.problems);
    // Whatever the damage, the checksum no longer matches.
    EXPECT_EQ(verdict.problems.back(), "SHA-256 differs from the committed checksum") << damage.name;
  }
  fs::remove(damaged);
  EXPECT_EQ(kestrav::checkResultFile(row, damaged, checks).problems.front(),
            "cannot read " + damaged.string());
}

TEST(ResultFileCheck, TablesMustBeWellFormed) {
  kestrav::testing::ScratchDirectory dir;
  kestrav::ResultChecks checks;
  std::string error;
  EXPECT_FALSE(kestrav::loadResultChecks(dir.path(), checks, error));
  EXPECT_NE(error.find("pass_records.tsv"), std::string::npos) << error;
  std::ofstream(dir.path() / "pass_records.tsv") << "# comment\n13\t1\tmany\t-\t-\n";
  EXPECT_FALSE(kestrav::loadResultChecks(dir.path(), checks, error));
  EXPECT_NE(error.find("malformed row 1"), std::string::npos) << error;
}

}  // namespace
