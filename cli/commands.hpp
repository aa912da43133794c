#pragma once
// The subcommands of kestrav. Each takes the words after its name and the
// name its messages start with ("kestrav search", "kestrav-verify"), and
// returns the exit status: 0; 1 when results could not be written (or,
// for verify, a file is missing or wrong); 2 for bad arguments, after one
// line on standard error; 128 + the signal's number when interrupted.

#include <string>
#include <vector>

#include "cli/options.hpp"

namespace kestrav::cli {

int runCommand(const std::vector<std::string>& args, const std::string& program);
int searchCommand(const std::vector<std::string>& args, const std::string& program);
int verifyCommand(const std::vector<std::string>& args, const std::string& program);
int catalogueCommand(const std::vector<std::string>& args, const std::string& program);
int joinCommand(const std::vector<std::string>& args, const std::string& program);
// The command line a manifest records: the program's words and the arguments.
std::vector<std::string> commandWords(const std::string& program, const std::vector<std::string>& args);

// Runs the subcommand. A kestrav::Error that its arguments cause is one
// line naming the option at fault, and status 2.
int runSubcommand(Command command, const std::vector<std::string>& args, const std::string& program);

// "PROGRAM: MESSAGE" on standard error; returns 2, the status of bad arguments.
int refuse(const std::string& program, const std::string& message);

}  // namespace kestrav::cli
