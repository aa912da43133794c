#include "verify/result_file_check.hpp"

#include <fstream>
#include <map>
#include <numeric>

#include "core/run_constants.hpp"
#include "verify/sha256.hpp"

namespace kestrav {
namespace {

// Reports at most this many problems with single records per file.
constexpr std::size_t kRecordProblemLimit = 5;

std::string describe(const std::optional<Tuple>& tuple) {
  if (!tuple) return "none";
  std::string text = formatRecord(*tuple);
  text.pop_back();  // the record's trailing blank
  return "\"" + text + "\"";
}

struct Pass {
  std::size_t records = 0;
  std::optional<Tuple> first;
  std::optional<Tuple> last;
  std::vector<Tuple> all;
};

class FileChecker {
 public:
  FileChecker(const VariantSpec& row, FileVerdict& verdict) : row_(row), verdict_(verdict) {}

  void record(const std::string& line) {
    ++verdict_.lines;
    const Tuple values = parseTuple(line);
    if (formatRecord(values) != line || static_cast<int>(values.size()) != row_.entryCount) {
      recordProblem("is not a record of " + std::to_string(row_.entryCount) +
                    " values, each followed by a blank");
      return;
    }
    if (std::accumulate(values.begin(), values.end(), std::int64_t{0}) != kTotal) {
      recordProblem("does not sum to " + std::to_string(kTotal));
    }
    const std::int64_t m = multiplierOf(values);
    for (std::int64_t v : values) {
      if (v < 1 || v % m != 0) {
        recordProblem("holds " + std::to_string(v) + ", not a positive multiple of " + std::to_string(m));
        break;
      }
    }
    if ((pinsHead(row_.layout) && values.front() != m) || (pinsTail(row_.layout) && values.back() != m)) {
      recordProblem("has pinned entries that differ");
    }
    const Tuple composition = compositionOf(values, m);
    if (!passes_.empty() && m == currentMultiplier_) {
      if (!(composition < previous_)) {
        recordProblem("is out of enumeration order");
      }
    } else if (!passes_.empty() && m < currentMultiplier_) {
      recordProblem("belongs to the pass of multiplier " + std::to_string(m) + ", which ended before");
    }
    currentMultiplier_ = m;
    previous_ = composition;
    Pass& pass = passes_[static_cast<int>(m)];
    ++pass.records;
    if (!pass.first) pass.first = values;
    pass.last = values;
    if (m == 5) pass.all.push_back(values);
  }

  const std::map<int, Pass>& passes() const { return passes_; }

 private:
  std::int64_t multiplierOf(const Tuple& values) const {
    if (row_.layout == Layout::Bare) return 1;
    const std::int64_t m = pinsHead(row_.layout) ? values.front() : values.back();
    return m >= 1 ? m : 1;
  }

  Tuple compositionOf(const Tuple& values, std::int64_t m) const {
    Tuple c(values.begin() + (pinsHead(row_.layout) ? 1 : 0), values.end() - (pinsTail(row_.layout) ? 1 : 0));
    for (auto& v : c) v /= m;
    return c;
  }

  void recordProblem(const std::string& what) {
    if (++recordProblems_ <= kRecordProblemLimit) {
      verdict_.problems.push_back("line " + std::to_string(verdict_.lines) + " " + what);
    }
  }

  const VariantSpec& row_;
  FileVerdict& verdict_;
  std::map<int, Pass> passes_;
  std::int64_t currentMultiplier_ = 0;
  Tuple previous_;
  std::size_t recordProblems_ = 0;
};

}  // namespace

FileVerdict checkResultFile(const VariantSpec& row, const std::filesystem::path& file,
                            const ResultChecks& checks) {
  FileVerdict verdict;
  std::ifstream input(file, std::ios::binary);
  if (!input) {
    verdict.problems.push_back("cannot read " + file.string());
    return verdict;
  }
  FileChecker checker(row, verdict);
  std::string line;
  while (std::getline(input, line)) {
    if (input.eof()) {
      verdict.problems.push_back("the last line has no line end");
    }
    checker.record(line);
  }

  const auto& passes = checker.passes();
  for (const PassRecords& expected : checks.passes) {
    if (expected.program != row.number) continue;
    const auto found = passes.find(expected.multiplier);
    const Pass none;
    const Pass& pass = found == passes.end() ? none : found->second;
    const std::string name = "pass " + std::to_string(expected.multiplier) + ": ";
    if (pass.records != expected.records) {
      verdict.problems.push_back(name + std::to_string(pass.records) + " records, expected " +
                                 std::to_string(expected.records));
    }
    if (pass.first != expected.first) {
      verdict.problems.push_back(name + "first record " + describe(pass.first) + ", expected " +
                                 describe(expected.first));
    }
    if (pass.last != expected.last) {
      verdict.problems.push_back(name + "last record " + describe(pass.last) + ", expected " +
                                 describe(expected.last));
    }
  }
  if (const auto listed = checks.pass5Records.find(row.number); listed != checks.pass5Records.end()) {
    const auto found = passes.find(5);
    if ((found == passes.end() ? std::vector<Tuple>{} : found->second.all) != listed->second) {
      verdict.problems.push_back("pass 5: the records differ from the listed ones");
    }
  }
  if (const auto lines = checks.fileLines.find(row.number);
      lines != checks.fileLines.end() && lines->second != verdict.lines) {
    verdict.problems.push_back(std::to_string(verdict.lines) + " lines, expected " +
                               std::to_string(lines->second));
  }
  if (const auto sum = checks.checksums.find(row.number); sum != checks.checksums.end()) {
    const std::optional<std::string> actual = sha256OfFile(file);
    if (actual != sum->second) verdict.problems.push_back("SHA-256 differs from the committed checksum");
  }
  return verdict;
}

}  // namespace kestrav
