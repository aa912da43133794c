#include "verify/result_file_check.hpp"

#include <algorithm>
#include <exception>
#include <map>
#include <optional>
#include <string_view>

#include "core/run_constants.hpp"
#include "verify/regular_file.hpp"
#include "verify/sha256.hpp"

namespace kestrav {
namespace {

// Reports at most this many problems with single records per file.
constexpr std::size_t kRecordProblemLimit = 5;

// A record is far shorter; a longer line is kept only this far, which is
// still enough to report it, so a file without line ends costs no memory.
constexpr std::size_t kLongestLine = 1024;

std::string describe(const std::optional<Tuple>& tuple) {
  if (!tuple) return "none";
  std::string text = formatRecord(*tuple);
  text.pop_back();  // the record's trailing blank
  return "\"" + text + "\"";
}

// The sum of a line's values, or none when it overflows (a damaged line's
// huge values, which could otherwise wrap around to the total).
std::optional<std::int64_t> sumOf(const Tuple& values) {
  std::int64_t sum = 0;
  for (const std::int64_t value : values) {
    if (__builtin_add_overflow(sum, value, &sum)) return std::nullopt;
  }
  return sum;
}

struct Pass {
  std::size_t records = 0;
  std::optional<Tuple> first;
  std::optional<Tuple> last;
  std::vector<Tuple> all;
};

class FileChecker {
 public:
  // Keeps at most pass5Limit records of the multiplier-5 pass for the
  // comparison with the listed ones.
  FileChecker(const VariantSpec& row, FileVerdict& verdict, std::size_t pass5Limit)
      : row_(row), verdict_(verdict), pass5Limit_(pass5Limit) {}

  void record(const std::string& line) {
    ++verdict_.lines;
    const Tuple values = parseTuple(line);
    if (formatRecord(values) != line || static_cast<int>(values.size()) != row_.entryCount) {
      recordProblem("is not a record of " + std::to_string(row_.entryCount) +
                    " values, each followed by a blank");
      return;
    }
    if (sumOf(values) != kTotal) {
      recordProblem("does not sum to " + std::to_string(kTotal));
    }
    const std::int64_t m = multiplierOf(values);
    for (std::int64_t v : values) {
      if (v < 1 || v % m != 0) {
        recordProblem("holds " + std::to_string(v) + ", not a positive multiple of " + std::to_string(m));
        break;
      }
    }
    for (std::size_t p = 0; p < values.size(); ++p) {
      if (isPinned(row_.layout, static_cast<int>(p) + 1, row_.entryCount) && values[p] != m) {
        recordProblem("has pinned entries that differ");
        break;
      }
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
    if (m == 5 && pass.all.size() < pass5Limit_) pass.all.push_back(values);
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
  std::size_t pass5Limit_;
  std::map<int, Pass> passes_;
  std::int64_t currentMultiplier_ = 0;
  Tuple previous_;
  std::size_t recordProblems_ = 0;
};

void checkFile(const VariantSpec& row, const std::filesystem::path& file, const ResultChecks& checks,
               FileVerdict& verdict) {
  const auto listed = checks.pass5Records.find(row.number);
  const bool hasListed = listed != checks.pass5Records.end();
  // One more than listed is enough to tell that the records differ.
  FileChecker checker(row, verdict, hasListed ? listed->second.size() + 1 : 0);
  Sha256 hash;
  std::string line;
  const std::string failure = readRegularFile(file, [&](std::string_view bytes) {
    hash.update(bytes);
    for (;;) {
      const std::size_t end = bytes.find('\n');
      const std::string_view piece = bytes.substr(0, end);
      line.append(piece.substr(0, kLongestLine - std::min(line.size(), kLongestLine)));
      if (end == std::string_view::npos) return;
      checker.record(line);
      line.clear();
      bytes.remove_prefix(end + 1);
    }
  });
  if (!failure.empty()) {
    verdict = FileVerdict{};
    verdict.problems.push_back(failure);
    return;
  }
  if (!line.empty()) {
    verdict.problems.push_back("the last line has no line end");
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
  if (hasListed) {
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
  if (const auto sum = checks.checksums.find(row.number);
      sum != checks.checksums.end() && hash.hex() != sum->second) {
    verdict.problems.push_back("SHA-256 differs from the committed checksum");
  }
}

}  // namespace

FileVerdict checkResultFile(const VariantSpec& row, const std::filesystem::path& file,
                            const ResultChecks& checks) {
  FileVerdict verdict;
  try {
    checkFile(row, file, checks, verdict);
  } catch (const std::exception& e) {
    // Out of memory, in practice: the file is reported, the others still checked.
    verdict.problems.push_back("cannot check " + file.string() + ": " + e.what());
  }
  return verdict;
}

}  // namespace kestrav
