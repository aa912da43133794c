#include "tests/support/check_tables.hpp"

#include <stdexcept>

#include "core/result_name.hpp"
#include "core/text_fields.hpp"

namespace kestrav::testing {
namespace {

// A field of the test data as a number; a malformed one fails the test run.
template <class Int = int>
Int number(const std::string& field) {
  Int value = 0;
  if (!parseWholeNumber(field, value)) throw std::runtime_error("not a whole number: " + field);
  return value;
}

std::vector<std::vector<std::string>> readTable(const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  std::string error;
  if (!kestrav::readTable(std::string(KESTRAV_TEST_DATA_DIR) + "/" + name, rows, error)) {
    throw std::runtime_error(error);
  }
  return rows;
}

}  // namespace

const ResultChecks& resultChecks() {
  static const ResultChecks checks = [] {
    ResultChecks loaded;
    std::string error;
    if (!loadResultChecks(KESTRAV_CHECK_TABLES_DIR, loaded, error)) throw std::runtime_error(error);
    return loaded;
  }();
  return checks;
}

std::vector<ModelValue> modelValues() {
  std::vector<ModelValue> values;
  for (const auto& f : readTable("model_values.tsv")) {
    values.push_back({number(f.at(0)), parseTuple(f.at(1)), number<std::int64_t>(f.at(2))});
  }
  return values;
}

std::vector<BlockValue> blockValues() {
  std::vector<BlockValue> values;
  for (const auto& f : readTable("block_values.tsv")) {
    values.push_back(
        {number(f.at(0)), parseTuple(f.at(1)), number<std::int64_t>(f.at(2)), number<std::int64_t>(f.at(3))});
  }
  return values;
}

std::vector<PassRecords> passRecords() { return resultChecks().passes; }

std::map<int, std::size_t> fileLines() { return resultChecks().fileLines; }

std::map<int, std::vector<Tuple>> pass5Records() { return resultChecks().pass5Records; }

std::map<int, std::string> goldenChecksums() { return resultChecks().checksums; }

std::vector<Reordering> relatedModels() {
  std::vector<Reordering> related;
  for (const auto& f : readTable("related_models.tsv")) {
    std::vector<int> indices;
    for (std::int64_t i : parseTuple(f.at(2))) indices.push_back(static_cast<int>(i));
    related.push_back({number(f.at(0)), number(f.at(1)), indices, f.at(3) == "class"});
  }
  return related;
}

void PrintTo(const Reordering& reordering, std::ostream* out) {
  *out << programName(reordering.program) << " from " << programName(reordering.base);
}

std::vector<ModelGroup> modelGroups() {
  std::vector<ModelGroup> groups;
  for (const auto& f : readTable("model_groups.tsv")) {
    std::vector<int> programs;
    for (std::int64_t n : parseTuple(f.at(1))) programs.push_back(static_cast<int>(n));
    groups.push_back({f.at(0) == "alone", programs});
  }
  return groups;
}

}  // namespace kestrav::testing
