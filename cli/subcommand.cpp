#include <algorithm>
#include <cstdio>

#include "cli/commands.hpp"

namespace kestrav::cli {

int refuse(const std::string& program, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program.c_str(), message.c_str());
  return 2;
}

std::vector<std::string> commandWords(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < program.size()) {
    const std::size_t blank = std::min(program.find(' ', at), program.size());
    words.push_back(program.substr(at, blank - at));
    at = blank + 1;
  }
  words.insert(words.end(), args.begin(), args.end());
  return words;
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
      case kJoin:
        return joinCommand(args, program);
    }
  } catch (const Error& error) {
    // The library checks its input before it writes anything.
    return refuse(program, messageOf(error, command));
  }
  return 2;
}

}  // namespace kestrav::cli
