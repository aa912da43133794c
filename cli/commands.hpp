#pragma once
// The subcommands of `kestrav`. Each takes the words after its name and
// returns the exit status: 0, 1 when the search could not write its
// results, 2 for bad arguments (after one line on standard error).

#include <string>
#include <vector>

namespace kestrav::cli {

int runCommand(const std::vector<std::string>& args);
int searchCommand(const std::vector<std::string>& args);
int verifyCommand(const std::vector<std::string>& args);

// The work of `kestrav verify` and of kestrav-verify, which `program` names
// in its messages.
int runVerification(const std::vector<std::string>& args, const char* program);

const char* helpText();

}  // namespace kestrav::cli
