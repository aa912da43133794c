#pragma once
// The help of kestrav and of kestrav-verify, written from the table of
// options: the usage of each subcommand, what it does and its options.

#include <string>
#include <string_view>

namespace kestrav::cli {

// What `kestrav --help` prints; the manual page kestrav(1) is made from it.
std::string helpText();

// What `kestrav-verify --help` prints: the usage and options of verify
// under the tool's own name.
std::string verifyToolHelpText(std::string_view program);

// What --version prints: "kestrav 1.0.0 (git 1a2b3c4d5e6f)", under the
// program's name.
std::string versionText(std::string_view program);

}  // namespace kestrav::cli
