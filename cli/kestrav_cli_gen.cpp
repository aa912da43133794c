// kestrav-cli-gen: writes, at build time, what comes from the command's
// table of options besides its parsing: the help text, from which
// scripts/help-to-man makes the manual page, and the bash completion.
//
//   kestrav-cli-gen help FILE | completion FILE

#include <cstdio>
#include <fstream>
#include <string>

#include "cli/completion.hpp"
#include "cli/help_text.hpp"

int main(int argc, char** argv) {
  const std::string what = argc == 3 ? argv[1] : "";
  if (what != "help" && what != "completion") {
    std::fputs("usage: kestrav-cli-gen help FILE | completion FILE\n", stderr);
    return 2;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << (what == "help" ? kestrav::cli::helpText() : kestrav::cli::bashCompletion());
  out.close();
  if (!out) {
    std::fprintf(stderr, "kestrav-cli-gen: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
