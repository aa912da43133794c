#include <cstdio>

#include "cli/commands.hpp"

namespace kestrav::cli {

int refuse(const std::string& program, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program.c_str(), message.c_str());
  return 2;
}

int runSubcommand(Command command, const std::vector<std::string>& args, const std::string& program) {
  try {
    switch (command) {
      case kRun:
        return runCommand(args, program);
      case kSearch:
        return searchCommand(args, program);
      case kVerify:
        return verifyCommand(args, program);
      case kCatalogue:
        return catalogueCommand(args, program);
    }
  } catch (const Error& error) {
    // The library checks its input before it writes anything.
    return refuse(program, messageOf(error, command));
  }
  return 2;
}

}  // namespace kestrav::cli
