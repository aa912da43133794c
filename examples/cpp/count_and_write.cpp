// libkestrav from C++: counts the records of a model of our own and writes
// them as a result file, then writes the result file of the catalogue's
// program 2 and verifies it against the check values built into the
// library. Prints what it did; exits with status 1 on any failure.
#include <kestrav/kestrav.hpp>

#include <exception>
#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace {

bool complete(const kestrav::SearchSummary& summary, const char* what) {
  if (summary.status != kestrav::SearchStatus::Complete) std::cerr << what << ": " << summary.error << '\n';
  return summary.status == kestrav::SearchStatus::Complete;
}

}  // namespace

int main() try {
  std::cout << "libkestrav " << kestrav::version() << '\n';

  // One Gram code over entries 1..7, entry 1 pinned to the multiplier of each pass.
  const auto model =
      kestrav::Model::fromGram("---111/22001/2001/001/21/1", kestrav::Layout::HeadOnly, 50, {1, 2, 5});
  const auto counted = kestrav::countRecords(model);
  const auto written = kestrav::searchToFile(model, "found.txt");
  if (!complete(counted, "counting") || !complete(written, "found.txt")) return 1;
  std::cout << "custom model: " << counted.records << " records counted, " << written.records
            << " written to found.txt\n";
  if (written.recordsPerPass != counted.recordsPerPass ||
      std::filesystem::file_size("found.txt") != written.bytes) {
    std::cerr << "found.txt does not hold the records counted\n";
    return 1;
  }

  const auto& catalogue = kestrav::Catalogue::builtIn();
  const kestrav::CatalogueRow* row = catalogue.find(2);
  if (row == nullptr) throw std::runtime_error("the catalogue has no program 2");
  if (!complete(kestrav::searchToFile(row->model, "OutputPart2.txt"), "OutputPart2.txt")) return 1;
  const auto verdict = kestrav::verifyResultFile(catalogue, 2, "OutputPart2.txt");
  for (const auto& problem : verdict.problems) std::cerr << "OutputPart2.txt: " << problem << '\n';
  std::cout << "program 2: " << verdict.lines << " records written to OutputPart2.txt, "
            << (verdict.ok() ? "verified" : "MISMATCH") << '\n';
  return verdict.ok() ? 0 : 1;
} catch (const std::exception& error) {
  std::cerr << "count_and_write: " << error.what() << '\n';
  return 1;
}
