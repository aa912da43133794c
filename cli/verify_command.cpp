// Verification of result files: `kestrav verify` and the kestrav-verify
// tool take the same arguments and do the same work, with the catalogue and
// the check tables built in unless --catalogue or --checks name others.
#include <optional>
#include <stdexcept>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/standard_streams.hpp"
#include "kestrav/catalogue.hpp"
#include "kestrav/verify.hpp"

namespace kestrav::cli {

int verifyCommand(const std::vector<std::string>& args, const std::string& program) {
  Arguments parsed;
  std::string error;
  if (!parseArguments(kVerify, args, parsed, error)) return refuse(program, error);
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
