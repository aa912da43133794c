// kestrav-verify: checks the result files OutputPartN.txt in a directory
// against the catalogue and its check values, as `kestrav verify` does,
// prints one line per file and a summary, and exits with status 1 when any
// file is missing or wrong or the report cannot be written, 2 on a bad
// argument.
//
//   kestrav-verify [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]
//   kestrav-verify --help | --version

#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/help_text.hpp"
#include "cli/options.hpp"
#include "cli/standard_streams.hpp"

int main(int argc, char** argv) {
  using namespace kestrav::cli;
  openClosedStandardStreams();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == kVersionWord) {
    std::fputs(versionText("kestrav-verify").c_str(), stdout);
    return finishProcess("kestrav-verify", 0);
  }
  for (const std::string& arg : args) {
    if (asksForHelp(arg)) {
      std::fputs(verifyToolHelpText("kestrav-verify").c_str(), stdout);
      return finishProcess("kestrav-verify", 0);
    }
  }
  return finishProcess("kestrav-verify", runSubcommand(kVerify, args, "kestrav-verify"));
}
