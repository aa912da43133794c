// kestrav-verify: checks the result files OutputPartN.txt in a directory
// against the catalogue and its check values, prints one line per file and a
// summary, and exits with status 1 when any file is missing or wrong, 2 on a
// bad argument.
//
//   kestrav-verify [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "verify/verify_directory.hpp"

int main(int argc, char** argv) {
  kestrav::VerifyArguments arguments;
  std::string error;
  if (!kestrav::parseVerifyArguments({argv + 1, argv + argc}, arguments, error)) {
    std::cerr << "kestrav-verify: " << error << "\n"
              << "usage: kestrav-verify [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]\n";
    return 2;
  }
  const std::string cataloguePath =
      arguments.catalogueFile.empty() ? std::string(KESTRAV_DEFAULT_CATALOGUE) : arguments.catalogueFile;
  std::ifstream catalogue(cataloguePath);
  std::vector<kestrav::VariantSpec> rows;
  if (!catalogue || !kestrav::readCatalogue(catalogue, rows, error)) {
    std::cerr << "kestrav-verify: " << cataloguePath << ": " << (error.empty() ? "cannot read" : error)
              << '\n';
    return 2;
  }
  kestrav::ResultChecks checks;
  const std::string checksPath =
      arguments.checksDirectory.empty() ? std::string(KESTRAV_DEFAULT_CHECKS) : arguments.checksDirectory;
  if (!kestrav::loadResultChecks(checksPath, checks, error)) {
    std::cerr << "kestrav-verify: " << error << '\n';
    return 2;
  }
  int wrong = 0;
  if (!kestrav::verifyResultDirectory(rows, checks, arguments, std::cout, wrong, error)) {
    std::cerr << "kestrav-verify: " << error << '\n';
    return 2;
  }
  return wrong == 0 ? 0 : 1;
}
