#include "verify/check_tables.hpp"

#include <charconv>
#include <sstream>
#include <stdexcept>

#include "verify/regular_file.hpp"

namespace kestrav {
namespace {

std::optional<Tuple> optionalTuple(const std::string& text) {
  if (text == "-") return std::nullopt;
  return parseTuple(text);
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
  std::istringstream input(text);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(input, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    rows.push_back(fields);
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

Tuple parseTuple(const std::string& text) {
  Tuple tuple;
  std::istringstream numbers(text);
  for (std::int64_t value; numbers >> value;) tuple.push_back(value);
  return tuple;
}

std::string formatRecord(const Tuple& entries) {
  std::string line;
  for (std::int64_t value : entries) {
    line += std::to_string(value);
    line += ' ';
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
                                  checks.passes.push_back({std::stoi(f[0]), std::stoi(f[1]), std::stoul(f[2]),
                                                           optionalTuple(f[3]), optionalTuple(f[4])});
                                }) &&
                          parse("file_lines.tsv", 2,
                                [&checks](const std::vector<std::string>& f) {
                                  checks.fileLines[std::stoi(f[0])] = std::stoul(f[1]);
                                }) &&
                          parse("pass5_records.tsv", 2, [&checks](const std::vector<std::string>& f) {
                            auto& records = checks.pass5Records[std::stoi(f[0])];
                            if (f[1] != "-") records.push_back(parseTuple(f[1]));
                          });
  if (!tablesRead || !table("SHA256SUMS", text, error)) return false;
  std::istringstream input(text);
  for (std::string digest, name; input >> digest >> name;) {
    const std::size_t digits = name.find_first_of("0123456789");
    int number = 0;
    const char* const end = name.data() + name.size();
    if (digest.size() != 64 || digits == std::string::npos ||
        std::from_chars(name.data() + digits, end, number).ec != std::errc()) {
      error = "SHA256SUMS: malformed line for " + name;
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
