// kestrav-verify: checks the result files OutputPartN.txt in a directory
// against the catalogue and its check values, as `kestrav verify` does,
// prints one line per file and a summary, and exits with status 1 when any
// file is missing or wrong or the report cannot be written, 2 on a bad
// argument.
//
//   kestrav-verify [--quiet] [--catalogue FILE] [--checks DIR] DIR [N ...]

#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/standard_streams.hpp"

int main(int argc, char** argv) {
  kestrav::cli::openClosedStandardStreams();
  return kestrav::cli::runVerification({argv + 1, argv + argc}, "kestrav-verify");
}
