// Verification of result files: `kestrav verify` and the kestrav-verify
// tool take the same arguments and do the same work, with the catalogue and
// the check tables built in unless --catalogue or --checks name others.
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/standard_streams.hpp"
#include "kestrav/catalogue.hpp"
#include "kestrav/error.hpp"
#include "kestrav/manifest.hpp"
#include "kestrav/search.hpp"
#include "kestrav/verify.hpp"

namespace kestrav::cli {

namespace {

// verify FILE: one result file against its manifest.
int verifyFile(const Arguments& parsed, const std::string& program) {
  if (!parsed.programs.empty())
    return refuse(program,
                  shownFileName(parsed.directory) + ": a file, not a directory; give no program numbers");
  const std::string name = shownFileName(parsed.directory);
  if (const std::string unreadable = resultFileNameProblem(parsed.directory); !unreadable.empty())
    return refuse(program, name + ": " + unreadable);
  std::string fault;
  try {
    requireManifests();
    fault = verifyWithManifest(parsed.directory, parsed.sample);
  } catch (const Error& unreadable) {
    const std::string manifest = shownFileName(manifestPath(parsed.directory).string());
    return refuse(
        program,
        manifest + ": " + (unreadable.field() == Field::Manifest ? unreadable.reason() : unreadable.what()));
  }
  if (fault.empty()) {
    if (!parsed.quiet) standardOutput() << "ok       " << name << " (its manifest)\n";
  } else {
    standardOutput() << "MISMATCH " << name << "\n         " << fault << '\n';
  }
  if (!finishStandardOutput(program.c_str())) return 1;
  return fault.empty() ? 0 : 1;
}

}  // namespace

int verifyCommand(const std::vector<std::string>& args, const std::string& program) {
  Arguments parsed;
  std::string error;
  if (!parseArguments(kVerify, args, parsed, error)) return refuse(program, error);
  std::error_code ignored;
  if (!std::filesystem::is_directory(parsed.directory, ignored) &&
      std::filesystem::exists(parsed.directory, ignored))
    return verifyFile(parsed, program);
  std::optional<Catalogue> catalogueFromFile;
  if (!parsed.catalogueFile.empty()) catalogueFromFile = Catalogue::fromFile(parsed.catalogueFile);
  std::optional<CheckTables> checksFromDirectory;
  if (!parsed.checksDirectory.empty())
    checksFromDirectory = CheckTables::fromDirectory(parsed.checksDirectory);

  DirectoryVerification request;
  request.directory = parsed.directory;
  request.programs = parsed.programs;
  request.quiet = parsed.quiet;
  int wrong = 0;
  try {
    wrong = verifyDirectory(catalogueFromFile ? *catalogueFromFile : Catalogue::builtIn(),
                            checksFromDirectory ? *checksFromDirectory : CheckTables::builtIn(), request,
                            standardOutput());
  } catch (const std::runtime_error& unreadable) {
    return refuse(program, unreadable.what());  // the directory, before anything is written
  }
  if (!finishStandardOutput(program.c_str())) return 1;
  return wrong == 0 ? 0 : 1;
}

}  // namespace kestrav::cli
