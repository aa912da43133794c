#pragma once
// Verification of a directory of result files: the choice of rows, one line
// per file and a summary.

#include <filesystem>
#include <functional>
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
  // With every row: checks a file against its manifest FILE.json, returning
  // "" or the fault; null when manifests are not available.
  std::function<std::string(const std::filesystem::path& file)> checkWithManifest;
};

// Checks the chosen rows' files in the directory, writing "ok" or
// "MISMATCH" and the reasons per file (only mismatches when quiet) and a
// summary; each file's lines are flushed before the next file is read.
// With every row chosen (no programs given), the rows' files that are
// absent are named on one line instead, and every other file with a
// manifest beside it (shards, searches of other models) is checked
// against it; absent files count as wrong.
// Returns false, before writing anything, when a program is not in the
// catalogue or the directory cannot be opened (error says why); otherwise
// wrongFiles counts the files missing or wrong. It stops at the first file
// whose lines cannot be written, leaving the failure in out's state.
bool verifyResultDirectory(const std::vector<VariantSpec>& rows, const ResultChecks& checks,
                           const VerifyArguments& arguments, std::ostream& out, int& wrongFiles,
                           std::string& error);

}  // namespace kestrav
