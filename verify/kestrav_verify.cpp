// kestrav-verify: checks the result files OutputPartN.txt in a directory
// against the catalogue and its check values, prints one line per file and a
// summary, and exits with status 1 when any file is missing or wrong or the
// report cannot be written, 2 on a bad argument.
//
//   kestrav-verify [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/standard_streams.hpp"
#include "verify/regular_file.hpp"
#include "verify/verify_directory.hpp"

int main(int argc, char** argv) {
  kestrav::openClosedStandardStreams();
  kestrav::VerifyArguments arguments;
  std::string error;
  if (!kestrav::parseVerifyArguments({argv + 1, argv + argc}, arguments, error)) {
    std::cerr << "kestrav-verify: " << error << "\n"
              << "usage: kestrav-verify [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]\n";
    return 2;
  }
  const std::string cataloguePath =
      arguments.catalogueFile.empty() ? std::string(KESTRAV_DEFAULT_CATALOGUE) : arguments.catalogueFile;
  std::string text;
  if (std::string failure = kestrav::readRegularFileText(cataloguePath, text); !failure.empty()) {
    std::cerr << "kestrav-verify: " << failure << '\n';
    return 2;
  }
  std::istringstream catalogue(text);
  std::vector<kestrav::VariantSpec> rows;
  if (!kestrav::readCatalogue(catalogue, rows, error)) {
    std::cerr << "kestrav-verify: " << cataloguePath << ": " << error << '\n';
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
  if (!kestrav::finishStandardOutput("kestrav-verify")) return 1;
  return wrong == 0 ? 0 : 1;
}
