// Verification of result files: `kestrav verify` and the kestrav-verify
// tool take the same arguments and do the same work, with the catalogue and
// the check tables built in unless --catalogue or --checks name others.
//
//   [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]
#include <iostream>
#include <sstream>

#include "cli/commands.hpp"
#include "cli/standard_streams.hpp"
#include "core/quoted_text.hpp"
#include "core/text_fields.hpp"
#include "verify/regular_file.hpp"
#include "verify/verify_directory.hpp"

namespace kestrav::cli {
namespace {

// On a bad argument, or --catalogue or --checks given twice, returns false
// with a message that names it.
bool parseVerifyArguments(const std::vector<std::string>& args, VerifyArguments& parsed, std::string& error) {
  parsed = VerifyArguments{};
  bool haveDirectory = false;
  bool haveCatalogue = false;
  bool haveChecks = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--quiet") {
      parsed.quiet = true;
    } else if (arg == "--catalogue" || arg == "--checks") {
      if (i + 1 == args.size()) {
        error = arg + ": missing value";
        return false;
      }
      bool& given = arg == "--catalogue" ? haveCatalogue : haveChecks;
      if (given) {
        error = arg + ": given twice";
        return false;
      }
      given = true;
      (arg == "--catalogue" ? parsed.catalogueFile : parsed.checksDirectory) = args[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      error = quoteForMessage(arg) + ": unknown option";
      return false;
    } else if (!haveDirectory) {
      parsed.directory = arg;
      haveDirectory = true;
    } else {
      int number = 0;
      if (!parseWholeNumber(arg, number) || number < 1) {
        error = quoteForMessage(arg) + ": not a program number";
        return false;
      }
      parsed.programs.push_back(number);
    }
  }
  if (!haveDirectory) {
    error = "no directory of result files given";
    return false;
  }
  return true;
}

}  // namespace

int runVerification(const std::vector<std::string>& args, const char* program) {
  const auto usageError = [program](const std::string& message) {
    std::cerr << program << ": " << message << '\n';
    return 2;
  };
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
  const bool loaded = arguments.checksDirectory.empty()
                          ? builtInResultChecks(checks, error)
                          : loadResultChecks(arguments.checksDirectory, checks, error);
  if (!loaded) return usageError("--checks: " + error);
  int wrong = 0;
  if (!verifyResultDirectory(rows, checks, arguments, std::cout, wrong, error)) return usageError(error);
  if (!finishStandardOutput(program)) return 1;
  return wrong == 0 ? 0 : 1;
}

int verifyCommand(const std::vector<std::string>& args) { return runVerification(args, "kestrav verify"); }

}  // namespace kestrav::cli
