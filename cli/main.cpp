// kestrav: the catalogue's searches and searches of new models with the
// fast engine. Dispatches to the subcommands.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/interrupts.hpp"
#include "cli/standard_streams.hpp"
#include "core/quoted_text.hpp"
#include "engine/worker_threads.hpp"

namespace {

struct Subcommand {
  const char* name;
  int (*run)(const std::vector<std::string>& args);
};

constexpr Subcommand kSubcommands[] = {
    {"run", kestrav::cli::runCommand},
    {"search", kestrav::cli::searchCommand},
    // Checks result files against the catalogue's check values; its body
    // lives in cli/verify_command.cpp.
    {"verify", kestrav::cli::verifyCommand},
};

int dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kestrav::cli::helpText(), stderr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    std::fputs(kestrav::cli::helpText(), stdout);
    return 0;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kestrav::cli::helpText(), stdout);
      return 0;
    }
  }
  for (const Subcommand& subcommand : kSubcommands) {
    if (name == subcommand.name) return subcommand.run(args);
  }
  std::fprintf(stderr, "kestrav: %s: unknown command (run, search, verify; see kestrav --help)\n",
               kestrav::quoteForMessage(name).c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  kestrav::cli::openClosedStandardStreams();
  kestrav::cli::catchInterrupts();
  int status = 1;
  try {
    status = dispatch(argc, argv);
  } catch (...) {
    // Files under way were removed as the exception left their owners.
    std::fprintf(stderr, "kestrav: %s\n",
                 kestrav::engine::describeException(std::current_exception()).c_str());
    status = 1;
  }
  if (!kestrav::cli::finishStandardOutput("kestrav") && status == 0) status = 1;
  return status;
}
