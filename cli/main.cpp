// kestrav: the catalogue's searches, searches of new models and the
// verification of result files, through libkestrav. Dispatches to the
// subcommands of the table of options.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/help_text.hpp"
#include "cli/interrupts.hpp"
#include "cli/options.hpp"
#include "cli/standard_streams.hpp"

namespace {

using namespace kestrav::cli;

int dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(helpText().c_str(), stderr);
    return 2;
  }
  const std::string name = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (name == kVersionWord) {
    std::fputs(versionText("kestrav").c_str(), stdout);
    return 0;
  }
  bool help = asksForHelp(name) || name == "help";
  for (const std::string& arg : args) help = help || asksForHelp(arg);
  if (help) {
    std::fputs(helpText().c_str(), stdout);
    return 0;
  }
  for (const Subcommand& subcommand : subcommands()) {
    if (name == subcommand.name)
      return runSubcommand(subcommand.command, args, "kestrav " + std::string(subcommand.name));
  }
  std::fprintf(stderr, "kestrav: %s: unknown command (%s; see kestrav --help)\n",
               kestrav::quoted(name).c_str(), joined(commandNames(kAllCommands), ", ").c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  openClosedStandardStreams();
  catchInterrupts();
  int status = 1;
  try {
    status = dispatch(argc, argv);
  } catch (const std::bad_alloc&) {
    // Files under way were removed as the exception left their owners.
    std::fputs("kestrav: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestrav: %s\n", e.what());
  }
  return finishProcess("kestrav", status);
}
