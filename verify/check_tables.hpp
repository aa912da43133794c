#pragma once
// The check values that complete result files must meet, read from their
// tables: tab-separated rows, '#' lines are comments, a tuple is a list of
// blank-separated numbers and '-' means none.
//
//   pass_records.tsv   program, multiplier, records, first record, last record
//   file_lines.tsv     program, lines of the whole file
//   pass5_records.tsv  program, one record of the multiplier-5 pass per row
//   SHA256SUMS         sha256sum lines for OutputPartN.txt

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrav {

using Tuple = std::vector<std::int64_t>;

struct PassRecords {
  int program;
  int multiplier;  // 1 for the single pass of an unscaled program
  std::size_t records;
  std::optional<Tuple> first;
  std::optional<Tuple> last;
};

struct ResultChecks {
  std::vector<PassRecords> passes;
  std::map<int, std::size_t> fileLines;
  std::map<int, std::vector<Tuple>> pass5Records;  // where every record is known
  std::map<int, std::string> checksums;
};

// Rows of a table, each split at tabs, without comments and blank lines.
std::vector<std::vector<std::string>> splitTable(const std::string& text);
bool readTable(const std::filesystem::path& path, std::vector<std::vector<std::string>>& rows,
               std::string& error);

// The blank-separated whole numbers of text; empty when text holds anything
// else, or nothing.
Tuple parseTuple(std::string_view text);
std::string formatRecord(const Tuple& entries);  // "1 2 3 ", as a result line holds it

// Gives the text of the table of that name, or false with the reason.
using TableText = std::function<bool(const std::string& name, std::string& text, std::string& error)>;
bool parseResultChecks(const TableText& table, ResultChecks& checks, std::string& error);

// The tables in a directory (verify/data of the source tree, say).
bool loadResultChecks(const std::filesystem::path& directory, ResultChecks& checks, std::string& error);

// The tables built into the library, so that an installed tool needs no
// source tree.
struct BuiltInTable {
  const char* name;
  const char* text;
};
extern const BuiltInTable kBuiltInCheckTables[4];
bool builtInResultChecks(ResultChecks& checks, std::string& error);

}  // namespace kestrav
