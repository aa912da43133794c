#pragma once
// The check-value tables, as the tests use them. The tables of result files
// (verify/data) are read by the verification library; the model tables
// (tests/data) here.

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "verify/check_tables.hpp"

namespace kestrav::testing {

using kestrav::formatRecord;
using kestrav::parseTuple;
using kestrav::PassRecords;
using kestrav::Tuple;

// The result-file checks of verify/data; a malformed table stops the tests.
const ResultChecks& resultChecks();

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

std::vector<ModelValue> modelValues();
std::vector<BlockValue> blockValues();
std::vector<PassRecords> passRecords();
std::map<int, std::size_t> fileLines();
// Every record of the multiplier-5 pass, for the programs where it is known.
std::map<int, std::vector<Tuple>> pass5Records();

struct Reordering {
  int program;               // B
  int base;                  // A
  std::vector<int> indices;  // B(x1..xk) = A(x_i1 .. x_ik), 1-based
  bool keepsPinnedEntries;   // maps every pass onto the same pass
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

}  // namespace kestrav::testing
