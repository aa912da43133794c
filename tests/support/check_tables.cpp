#include "tests/support/check_tables.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kestrav::testing {
namespace {

std::vector<std::vector<std::string>> readTable(const std::string& name) {
  const std::string path = std::string(KESTRAV_TEST_DATA_DIR) + "/" + name;
  std::ifstream input(path);
  if (!input) throw std::runtime_error("cannot read " + path);
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

std::optional<Tuple> optionalTuple(const std::string& text) {
  if (text == "-") return std::nullopt;
  return parseTuple(text);
}

}  // namespace

Tuple parseTuple(const std::string& text) {
  Tuple tuple;
  std::istringstream numbers(text);
  for (std::int64_t value; numbers >> value;) tuple.push_back(value);
  return tuple;
}

std::string formatRecord(const Tuple& entries) {
  std::string line;
  for (std::int64_t value : entries) line += std::to_string(value) + " ";
  return line;
}

std::vector<ModelValue> modelValues() {
  std::vector<ModelValue> values;
  for (const auto& f : readTable("model_values.tsv")) {
    values.push_back({std::stoi(f.at(0)), parseTuple(f.at(1)), std::stoll(f.at(2))});
  }
  return values;
}

std::vector<BlockValue> blockValues() {
  std::vector<BlockValue> values;
  for (const auto& f : readTable("block_values.tsv")) {
    values.push_back({std::stoi(f.at(0)), parseTuple(f.at(1)), std::stoll(f.at(2)), std::stoll(f.at(3))});
  }
  return values;
}

std::vector<PassRecords> passRecords() {
  std::vector<PassRecords> passes;
  for (const auto& f : readTable("pass_records.tsv")) {
    passes.push_back({std::stoi(f.at(0)), std::stoi(f.at(1)), std::stoul(f.at(2)), optionalTuple(f.at(3)),
                      optionalTuple(f.at(4))});
  }
  return passes;
}

std::map<int, std::size_t> fileLines() {
  std::map<int, std::size_t> lines;
  for (const auto& f : readTable("file_lines.tsv")) lines[std::stoi(f.at(0))] = std::stoul(f.at(1));
  return lines;
}

std::map<int, std::vector<Tuple>> pass5Records() {
  std::map<int, std::vector<Tuple>> records;
  for (const auto& f : readTable("pass5_records.tsv")) {
    auto& list = records[std::stoi(f.at(0))];
    if (f.at(1) != "-") list.push_back(parseTuple(f.at(1)));
  }
  return records;
}

std::vector<Reordering> relatedModels() {
  std::vector<Reordering> related;
  for (const auto& f : readTable("related_models.tsv")) {
    std::vector<int> indices;
    for (std::int64_t i : parseTuple(f.at(2))) indices.push_back(static_cast<int>(i));
    related.push_back({std::stoi(f.at(0)), std::stoi(f.at(1)), indices, f.at(3) == "class"});
  }
  return related;
}

void PrintTo(const Reordering& reordering, std::ostream* out) {
  *out << "kestrav" << reordering.program << " from kestrav" << reordering.base;
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

std::map<int, std::string> goldenChecksums() {
  // sha256sum format: "<64 hex digits>  OutputPartN.txt"
  const std::string path = std::string(KESTRAV_TEST_DATA_DIR) + "/SHA256SUMS";
  std::ifstream input(path);
  if (!input) throw std::runtime_error("cannot read " + path);
  std::map<int, std::string> sums;
  for (std::string digest, name; input >> digest >> name;) {
    sums[std::stoi(name.substr(name.find_first_of("0123456789")))] = digest;
  }
  return sums;
}

}  // namespace kestrav::testing
