// kestrav-verify: checks the result files OutputPartN.txt in a directory
// against the catalogue and its check values, prints one line per file and a
// summary, and exits with status 1 when any file is missing or wrong.
//
//   kestrav-verify [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]
//
// --quiet leaves out the line of every file that matches.

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "models/catalogue.hpp"
#include "verify/check_tables.hpp"
#include "verify/result_file_check.hpp"

namespace {

int usage(const std::string& problem) {
  std::cerr << "kestrav-verify: " << problem << "\n"
            << "usage: kestrav-verify [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string cataloguePath = KESTRAV_DEFAULT_CATALOGUE;
  std::string checksPath = KESTRAV_DEFAULT_CHECKS;
  std::vector<std::string> positional;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quiet") {
      quiet = true;
    } else if ((arg == "--catalogue" || arg == "--checks") && i + 1 < argc) {
      (arg == "--catalogue" ? cataloguePath : checksPath) = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return usage("unknown option " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty()) return usage("no directory given");
  const std::filesystem::path directory = positional.front();

  std::ifstream catalogueFile(cataloguePath);
  std::vector<kestrav::VariantSpec> rows;
  std::string error;
  if (!catalogueFile || !kestrav::readCatalogue(catalogueFile, rows, error)) {
    std::cerr << "kestrav-verify: " << cataloguePath << ": " << (error.empty() ? "cannot read" : error) << '\n';
    return 2;
  }
  kestrav::ResultChecks checks;
  if (!kestrav::loadResultChecks(checksPath, checks, error)) {
    std::cerr << "kestrav-verify: " << error << '\n';
    return 2;
  }

  std::vector<const kestrav::VariantSpec*> selected;
  for (std::size_t i = 1; i < positional.size(); ++i) {
    const kestrav::VariantSpec* found = nullptr;
    for (const auto& row : rows) {
      if (std::to_string(row.number) == positional[i]) found = &row;
    }
    if (found == nullptr) return usage("no catalogue row " + positional[i]);
    selected.push_back(found);
  }
  if (selected.empty()) {
    for (const auto& row : rows) selected.push_back(&row);
  }

  int wrong = 0;
  for (const kestrav::VariantSpec* row : selected) {
    const std::string name = "OutputPart" + std::to_string(row->number) + ".txt";
    const kestrav::FileVerdict verdict = kestrav::checkResultFile(*row, directory / name, checks);
    if (verdict.problems.empty()) {
      if (!quiet) std::cout << "ok       " << name << " (" << verdict.lines << " lines)\n";
      continue;
    }
    ++wrong;
    std::cout << "MISMATCH " << name << '\n';
    for (const std::string& problem : verdict.problems) std::cout << "         " << problem << '\n';
  }
  std::cout << selected.size() - static_cast<std::size_t>(wrong) << " of " << selected.size()
            << " result files match their check values and checksums\n";
  return wrong == 0 ? 0 : 1;
}
