// kestrav-cli-gen: writes, at build time, what comes from the command's
// table of options besides its parsing: the manual pages and the bash
// completion.
//
//   kestrav-cli-gen (kestrav.1 | kestrav-verify.1 | kestrav-completion.bash) FILE

#include <cstdio>
#include <fstream>
#include <string>

#include "cli/completion.hpp"
#include "cli/manual_page.hpp"

int main(int argc, char** argv) {
  const std::string what = argc == 3 ? argv[1] : "";
  std::string text;
  if (what == "kestrav.1") {
    text = kestrav::cli::kestravManualPage();
  } else if (what == "kestrav-verify.1") {
    text = kestrav::cli::verifyManualPage();
  } else if (what == "kestrav-completion.bash") {
    text = kestrav::cli::bashCompletion();
  } else {
    std::fputs("usage: kestrav-cli-gen (kestrav.1 | kestrav-verify.1 | kestrav-completion.bash) FILE\n",
               stderr);
    return 2;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "kestrav-cli-gen: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
