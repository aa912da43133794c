// `kestrav verify DIR [N ...]`: checks result files against the catalogue
// built into the command, its check values and the committed checksums.
#include <iostream>
#include <sstream>

#include "cli/commands.hpp"
#include "core/standard_streams.hpp"
#include "verify/regular_file.hpp"
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
  std::string text = kBuiltInCatalogue;
  if (!arguments.catalogueFile.empty()) {
    if (std::string failure = readRegularFileText(arguments.catalogueFile, text); !failure.empty()) {
      return usageError("--catalogue: " + failure);
    }
  }
  std::istringstream catalogue(text);
  std::vector<VariantSpec> rows;
  if (!readCatalogue(catalogue, rows, error)) return usageError("catalogue: " + error);
  ResultChecks checks;
  const std::string checksDirectory =
      arguments.checksDirectory.empty() ? std::string(KESTRAV_DEFAULT_CHECKS) : arguments.checksDirectory;
  if (!loadResultChecks(checksDirectory, checks, error)) return usageError("--checks: " + error);
  int wrong = 0;
  if (!verifyResultDirectory(rows, checks, arguments, std::cout, wrong, error)) return usageError(error);
  if (!finishStandardOutput("kestrav verify")) return 1;
  return wrong == 0 ? 0 : 1;
}

}  // namespace kestrav::cli
