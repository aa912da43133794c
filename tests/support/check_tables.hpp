#pragma once
// Reads the check-value tables in tests/data: tab-separated rows, '#' lines
// are comments, tuples are blank-separated numbers and '-' means none.

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kestrav::testing {

using Tuple = std::vector<std::int64_t>;

struct ModelValue {
  int program;
  Tuple entries;
  std::int64_t value;
};

struct BlockValue {
  int program;
  Tuple entries;
  std::int64_t first;
  std::int64_t second;
};

struct PassRecords {
  int program;
  int multiplier;
  std::size_t records;
  std::optional<Tuple> first;
  std::optional<Tuple> last;
};

std::vector<ModelValue> modelValues();
std::vector<BlockValue> blockValues();
std::vector<PassRecords> passRecords();
std::map<int, std::size_t> fileLines();
// Every record of the multiplier-5 pass, for the programs where it is known.
std::map<int, std::vector<Tuple>> pass5Records();

struct Reordering {
  int program;                // B
  int base;                   // A
  std::vector<int> indices;   // B(x1..xk) = A(x_i1 .. x_ik), 1-based
  bool keepsPinnedEntries;    // maps every pass onto the same pass
};
std::vector<Reordering> relatedModels();
void PrintTo(const Reordering& reordering, std::ostream* out);

struct ModelGroup {
  bool alone;                 // a model that is a reordering of no other
  std::vector<int> programs;  // otherwise models equal up to some reordering
};
std::vector<ModelGroup> modelGroups();

// The committed SHA-256 of every result file, by program number.
std::map<int, std::string> goldenChecksums();

Tuple parseTuple(const std::string& text);
std::string formatRecord(const Tuple& entries);  // "1 2 3 " as a result line holds it

}  // namespace kestrav::testing
