#pragma once
// Verification of a directory of result files, shared by kestrav-verify and
// `kestrav verify`: the arguments, the choice of rows, one line per file and
// a summary.
//
//   [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "models/catalogue.hpp"
#include "verify/check_tables.hpp"

namespace kestrav {

struct VerifyArguments {
  bool quiet = false;           // leave out the lines of matching files
  std::string catalogueFile;    // empty: the caller's default catalogue
  std::string checksDirectory;  // empty: the caller's default tables
  std::filesystem::path directory;
  std::vector<int> programs;  // empty: every row of the catalogue
};

// On a bad argument returns false with a message that names it.
bool parseVerifyArguments(const std::vector<std::string>& args, VerifyArguments& parsed, std::string& error);

// Checks the chosen rows' files in the directory, writing "ok" or
// "MISMATCH" and the reasons per file (only mismatches when quiet) and a
// summary. Returns false when a program is not in the catalogue (error says
// which); otherwise wrongFiles counts the files missing or wrong.
bool verifyResultDirectory(const std::vector<VariantSpec>& rows, const ResultChecks& checks,
                           const VerifyArguments& arguments, std::ostream& out, int& wrongFiles,
                           std::string& error);

}  // namespace kestrav
