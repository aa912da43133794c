// `kestrav verify DIR [N ...]`: checks result files against the catalogue
// built into the command, its check values and the committed checksums.
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/commands.hpp"
#include "verify/verify_directory.hpp"

namespace kestrav::cli {
namespace {

int usageError(const std::string& message) {
  std::cerr << "kestrav verify: " << message << '\n';
  return 2;
}

}  // namespace

int verifyCommand(const std::vector<std::string>& args) {
  VerifyArguments arguments;
  std::string error;
  if (!parseVerifyArguments(args, arguments, error)) return usageError(error);
  std::ifstream file;
  std::istringstream builtIn(kBuiltInCatalogue);
  if (!arguments.catalogueFile.empty()) {
    file.open(arguments.catalogueFile);
    if (!file) return usageError("--catalogue: cannot read " + arguments.catalogueFile);
  }
  std::vector<VariantSpec> rows;
  if (!readCatalogue(arguments.catalogueFile.empty() ? static_cast<std::istream&>(builtIn) : file, rows,
                     error)) {
    return usageError("catalogue: " + error);
  }
  ResultChecks checks;
  const std::string checksDirectory =
      arguments.checksDirectory.empty() ? std::string(KESTRAV_DEFAULT_CHECKS) : arguments.checksDirectory;
  if (!loadResultChecks(checksDirectory, checks, error)) return usageError("--checks: " + error);
  int wrong = 0;
  if (!verifyResultDirectory(rows, checks, arguments, std::cout, wrong, error)) return usageError(error);
  return wrong == 0 ? 0 : 1;
}

}  // namespace kestrav::cli
