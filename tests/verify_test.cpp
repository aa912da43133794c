// The verification of result files: SHA-256 itself, a correct file passes
// while each kind of damage to it is reported, and kestrav-verify reports
// whatever stands in a result file's place, a missing directory and a report
// it cannot write.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <fstream>

#include "core/result_name.hpp"
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
      EXPECT_EQ(kestrav::sha256OfFile(dir.path() / "input"), kestrav::testing::sha256(dir.path() / "input"));
    } else {
      EXPECT_EQ(kestrav::sha256Hex(c.input), c.digest) << c.input.size() << " bytes";
    }
    // Given in pieces that straddle the 64-byte blocks, the digest is the same.
    kestrav::Sha256 pieces;
    for (std::size_t at = 0; at < c.input.size(); at += 7)
      pieces.update(std::string_view(c.input).substr(at, 7));
    EXPECT_EQ(pieces.hex(), kestrav::sha256Hex(c.input)) << c.input.size() << " bytes in pieces";
  }
  EXPECT_FALSE(kestrav::sha256OfFile(dir.path() / "missing").has_value());
  EXPECT_FALSE(kestrav::sha256OfFile(dir.path()).has_value());
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
  std::vector<kestrav::testing::PassRecords> passes;
  for (const auto& pass : checks.passes) {
    if (pass.program == number) passes.push_back(pass);
  }
  ASSERT_GE(passes.size(), 2u);
  ASSERT_TRUE(passes[1].first.has_value());
  // Pass 2 is lines [pass2, pass2End) of the file.
  const std::size_t pass2 = passes[0].records;
  const std::size_t pass2End = pass2 + passes[1].records;
  const auto lines = linesOf(original);
  ASSERT_EQ(lines.size(), checks.fileLines.at(number));
  ASSERT_EQ(lines.at(pass2), kestrav::testing::formatRecord(*passes[1].first));
  EXPECT_EQ(kestrav::checkResultFile(row, original, checks).problems, std::vector<std::string>{});

  const std::size_t end = std::string::npos;
  const Damage damages[] = {
      {"a record dropped", 5, "", false, "pass 1: " + std::to_string(passes[0].records - 1) + " records"},
      {"a value changed", 3, "1 42 1 1 2 2 2 ", false, "does not sum to 50"},
      {"a blank missing", 3, "1 42 1 1 2 2 1", false, "each followed by a blank"},
      {"a leading zero", 3, "1 042 1 1 2 2 1 ", false, "each followed by a blank"},
      {"a value beyond 16 bits", 3, "1 123456 1 1 2 2 2 ", false, "does not sum to 50"},
      {"values that wrap around to the total", 3, "1 9223372036854775807 9223372036854775807 12 13 13 13 ",
       false, "does not sum to 50"},
      {"an extra record", end, "5 10 10 5 10 5 5 ", false, "out of enumeration order"},
      {"a pinned entry wrong", pass2, "3 21 9 9 3 3 2 ", false, "pass 2: first record"},
      {"a pass-1 record after pass 2", (pass2 + pass2End) / 2, "1 42 1 1 2 2 1 ", false,
       "which ended before"},
      {"an odd value in pass 2", pass2, "2 21 10 10 3 2 2 ", false, "not a positive multiple of 2"},
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
  EXPECT_EQ(kestrav::checkResultFile(row, damaged, checks).problems,
            std::vector<std::string>{"cannot read " + damaged.string() + ": No such file or directory"});
}

TEST(ResultFileCheck, TablesMustBeWellFormed) {
  kestrav::testing::ScratchDirectory dir;
  kestrav::ResultChecks checks;
  std::string error;
  EXPECT_FALSE(kestrav::loadResultChecks(dir.path(), checks, error));
  EXPECT_NE(error.find("pass_records.tsv"), std::string::npos) << error;
  struct Case {
    std::string table;
    std::string text;
    std::string error;  // empty when the tables load
  };
  const std::string digest(64, '0');
  const Case cases[] = {
      {"pass_records.tsv", "# comment\n13\t1\t480\t1 2 -3\t-\n", ""},
      {"pass_records.tsv", "13\t1\tmany\t-\t-\n", "pass_records.tsv: malformed row 1"},
      {"pass_records.tsv", "13\t1\t480x\t-\t-\n", "pass_records.tsv: malformed row 1"},
      {"pass_records.tsv", "13\t1\t480\t1 2 x\t-\n", "pass_records.tsv: malformed row 1"},
      {"file_lines.tsv", "13\t480\n2\t-120\n", "file_lines.tsv: malformed row 2"},
      {"SHA256SUMS", digest + "  OutputPart13x.txt\n", "SHA256SUMS: malformed line for OutputPart13x.txt"},
  };
  for (const Case& c : cases) {
    for (const char* table : {"pass_records.tsv", "file_lines.tsv", "pass5_records.tsv", "SHA256SUMS"}) {
      std::ofstream(dir.path() / table) << (table == c.table ? c.text : "");
    }
    error.clear();
    EXPECT_EQ(kestrav::loadResultChecks(dir.path(), checks, error), c.error.empty()) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

const fs::path kVerify = KESTRAV_VERIFY;

std::string resultName(int number) { return kestrav::resultFileName(number); }

// Kills a child that hangs, so that a test fails instead of blocking.
kestrav::testing::ChildOptions watched(kestrav::testing::ChildOptions options = {}) {
  options.signal = SIGKILL;
  options.signalAfter = std::chrono::seconds(20);
  return options;
}

// The report's line for a good result file.
std::string okLine(int number) {
  return "ok       " + resultName(number) + " (" + std::to_string(kestrav::testing::fileLines().at(number)) +
         " lines)\n";
}

// Good result files of kestrav2 and kestrav35 in dir.
void copyGoodFiles(const fs::path& dir) {
  for (int number : {2, 35})
    fs::copy_file(kestrav::testing::cachedResultFile(number), dir / resultName(number));
}

TEST(VerifyTool, ReportsWhatStandsInAResultFilesPlace) {
  struct Case {
    std::string name;
    void (*make)(const fs::path&);
    std::string before;  // the reason is before + the file's path + after
    std::string after;
  };
  const Case cases[] = {
      {"a directory", [](const fs::path& p) { fs::create_directory(p); }, "",
       " is a directory, not a regular file"},
      {"a FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, "",
       " is a FIFO, not a regular file"},
      {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, "",
       " is a character device, not a regular file"},
      {"nothing", [](const fs::path&) {}, "cannot read ", ": No such file or directory"},
  };
  for (const Case& c : cases) {
    kestrav::testing::ScratchDirectory dir;
    copyGoodFiles(dir.path());
    c.make(dir.path() / resultName(13));
    const auto run = kestrav::testing::runIn(dir.path(), kVerify, {".", "2", "13", "35"}, watched());
    EXPECT_EQ(run.termSignal, 0) << c.name;
    EXPECT_EQ(run.exitStatus, 1) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, okLine(2) + "MISMATCH OutputPart13.txt\n         " + c.before + "./OutputPart13.txt" +
                           c.after + "\n" + okLine(35) +
                           "2 of 3 result files match their check values and checksums\n")
        << c.name;
    EXPECT_EQ(run.err, "") << c.name;
  }
}

TEST(VerifyTool, ABadDirectoryOrArgumentIsOneErrorWithStatusTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string message;  // the first line on standard error
  };
  const Case cases[] = {
      {{"missing", "2"}, "kestrav-verify: cannot read the directory missing: No such file or directory"},
      {{"OutputPart2.txt", "2"},
       "kestrav-verify: OutputPart2.txt: a file, not a directory; give no program numbers"},
      {{"--catalogue", "a", "--catalogue", "a", "."}, "kestrav-verify: --catalogue: given twice"},
      {{"--checks", "a", "--quiet", "--checks", "b", "."}, "kestrav-verify: --checks: given twice"},
  };
  kestrav::testing::ScratchDirectory dir;
  copyGoodFiles(dir.path());
  for (const Case& c : cases) {
    const auto run = kestrav::testing::runIn(dir.path(), kVerify, c.args, watched());
    const std::string context = ::testing::PrintToString(c.args);
    EXPECT_EQ(run.exitStatus, 2) << context;
    EXPECT_EQ(run.out, "") << context;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.message) << context;
    // A directory's failure is that one line; an argument's adds the usage.
    if (c.args.front()[0] != '-') {
      EXPECT_EQ(run.err, c.message + "\n") << context;
    }
  }
}

TEST(VerifyTool, AReportThatCannotBeWrittenFailsWithAMessage) {
  using Stream = kestrav::testing::ChildOptions::Stream;
  struct Case {
    std::string name;
    kestrav::testing::ChildOptions options;
    int status;
    std::string err;
  };
  kestrav::testing::ChildOptions full;
  full.outPath = "/dev/full";
  kestrav::testing::ChildOptions closed;
  closed.out = Stream::Closed;
  const Case cases[] = {
      {"on /dev/full", full, 1, "kestrav-verify: cannot write standard output: No space left on device\n"},
      {"closed", closed, 1, "kestrav-verify: cannot write standard output: Bad file descriptor\n"},
  };
  kestrav::testing::ScratchDirectory dir;
  copyGoodFiles(dir.path());
  for (const Case& c : cases) {
    const auto run = kestrav::testing::runIn(dir.path(), kVerify, {".", "2", "35"}, watched(c.options));
    EXPECT_EQ(run.exitStatus, c.status) << c.name;
    EXPECT_EQ(run.err, c.err) << c.name;
  }
}

}  // namespace
