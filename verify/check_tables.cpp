#include "verify/check_tables.hpp"

#include <concepts>
#include <sstream>
#include <stdexcept>

#include "core/quoted_text.hpp"
#include "core/record_format.hpp"
#include "core/result_name.hpp"
#include "core/text_fields.hpp"
#include "verify/regular_file.hpp"

namespace kestrav {
namespace {

// A field that does not read makes its row malformed.
template <std::integral Int>
Int numberField(const std::string& text) {
  Int value = 0;
  if (!parseWholeNumber(text, value)) throw std::invalid_argument("not a whole number");
  return value;
}

// No record is empty, so neither is a listed one.
Tuple tupleField(const std::string& text) {
  Tuple tuple = parseTuple(text);
  if (tuple.empty()) throw std::invalid_argument("not a tuple");
  return tuple;
}

std::optional<Tuple> optionalTuple(const std::string& text) {
  if (text == "-") return std::nullopt;
  return tupleField(text);
}

// The program of a result file's name as sha256sum writes it: 7 for
// OutputPart7.txt or *OutputPart7.txt, nothing for OutputPart7x.txt.
bool programOfResultName(std::string_view name, int& number) {
  constexpr std::string_view kDigits = "0123456789";
  const std::size_t start = name.find_first_of(kDigits);
  if (start == std::string_view::npos) return false;
  const std::size_t end = name.find_first_not_of(kDigits, start);
  return parseWholeNumber(name.substr(start, end - start), number) && name.ends_with(resultFileName(number));
}

// Splits one table's text with `parse`, which may throw on a malformed field.
template <class Parse>
bool parseInto(const std::string& name, const std::string& text, std::size_t fields, std::string& error,
               Parse parse) {
  const std::vector<std::vector<std::string>> rows = splitTable(text);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    try {
      if (rows[i].size() < fields) throw std::invalid_argument("too few fields");
      parse(rows[i]);
    } catch (const std::exception&) {
      error = name + ": malformed row " + std::to_string(i + 1);
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<std::vector<std::string>> splitTable(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string_view line : splitAt(text, '\n')) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string_view> fields = splitAt(line, '\t');
    rows.emplace_back(fields.begin(), fields.end());
  }
  return rows;
}

bool readTable(const std::filesystem::path& path, std::vector<std::vector<std::string>>& rows,
               std::string& error) {
  std::string text;
  if (std::string failure = readRegularFileText(path, text); !failure.empty()) {
    error = failure;
    return false;
  }
  rows = splitTable(text);
  return true;
}

Tuple parseTuple(std::string_view text) {
  Tuple tuple;
  for (const std::string_view word : blankSeparatedWords(text)) {
    std::int64_t value = 0;
    if (!parseWholeNumber(word, value)) return {};
    tuple.push_back(value);
  }
  return tuple;
}

std::string formatRecord(const Tuple& entries) {
  std::string line;
  for (std::int64_t value : entries) {
    if (value >= 0 && value <= kMaxEntryValue) {
      char entry[kRecordCharsPerEntry];
      line.append(entry, appendEntry(entry, static_cast<std::uint32_t>(value)));
    } else {
      // Not an entry (a damaged file's value, say): kept as it was read.
      line += std::to_string(value);
      line += kEntryEnd;
    }
  }
  return line;
}

bool parseResultChecks(const TableText& table, ResultChecks& checks, std::string& error) {
  checks = ResultChecks{};
  std::string text;
  const auto parse = [&](const char* name, std::size_t fields, auto row) {
    return table(name, text, error) && parseInto(name, text, fields, error, row);
  };
  const bool tablesRead = parse("pass_records.tsv", 5,
                                [&checks](const std::vector<std::string>& f) {
                                  checks.passes.push_back({numberField<int>(f[0]), numberField<int>(f[1]),
                                                           numberField<std::size_t>(f[2]),
                                                           optionalTuple(f[3]), optionalTuple(f[4])});
                                }) &&
                          parse("file_lines.tsv", 2,
                                [&checks](const std::vector<std::string>& f) {
                                  checks.fileLines[numberField<int>(f[0])] = numberField<std::size_t>(f[1]);
                                }) &&
                          parse("pass5_records.tsv", 2, [&checks](const std::vector<std::string>& f) {
                            auto& records = checks.pass5Records[numberField<int>(f[0])];
                            if (f[1] != "-") records.push_back(tupleField(f[1]));
                          });
  if (!tablesRead || !table("SHA256SUMS", text, error)) return false;
  std::istringstream input(text);
  for (std::string digest, name; input >> digest >> name;) {
    int number = 0;
    if (digest.size() != 64 || !programOfResultName(name, number)) {
      error = "SHA256SUMS: malformed line for " + shownName(name);
      return false;
    }
    checks.checksums[number] = digest;
  }
  return true;
}

bool loadResultChecks(const std::filesystem::path& directory, ResultChecks& checks, std::string& error) {
  const auto fromFile = [&directory](const std::string& name, std::string& text, std::string& failure) {
    failure = readRegularFileText(directory / name, text);
    return failure.empty();
  };
  return parseResultChecks(fromFile, checks, error);
}

bool builtInResultChecks(ResultChecks& checks, std::string& error) {
  const auto builtIn = [](const std::string& name, std::string& text, std::string& failure) {
    for (const BuiltInTable& table : kBuiltInCheckTables) {
      if (name == table.name) {
        text = table.text;
        return true;
      }
    }
    failure = name + ": not built in";
    return false;
  };
  return parseResultChecks(builtIn, checks, error);
}

}  // namespace kestrav
