#pragma once
// The bash completion of kestrav, written from the table of options at
// build time (kestrav-cli-gen): subcommands, their options, the words a
// value may be, files or directories where an option wants one, and the
// catalogue's program numbers after `run`.

#include <string>

namespace kestrav::cli {

std::string bashCompletion();

}  // namespace kestrav::cli
