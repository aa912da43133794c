#pragma once
// The help of kestrav and of kestrav-verify, written from the table of
// options: the usage of each subcommand, what it does and its options.

#include <cstddef>
#include <string>
#include <string_view>

#include "cli/options.hpp"

namespace kestrav::cli {

// What `kestrav --help` prints.
std::string helpText();

// What `kestrav-verify --help` prints: the usage and options of verify
// under the tool's own name.
std::string verifyToolHelpText(std::string_view program);

// What --version prints: "kestrav 1.0.0 (git 1a2b3c4d5e6f)", under the
// program's name.
std::string versionText(std::string_view program);

// The pieces of both, for the manual pages: "--total T"; an option's
// description with the words its value may be; the usage of a subcommand
// after "PROGRAM " wrapped at width; whether an option is one of the search
// settings that run and search share.
std::string optionLabel(const Option& option);
std::string optionDescription(const Option& option);
std::string usageText(std::string_view program, const Subcommand& subcommand, std::size_t width);
bool isSetting(const Option& option);

}  // namespace kestrav::cli
