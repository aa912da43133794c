// Fuzzes the command line of kestrav run, search, verify, catalogue and join: the first byte
// picks the subcommand, the rest is its words, separated by NUL bytes. A
// failure is one line that names the word at fault; what is read meets
// what each subcommand needs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/arguments.hpp"
#include "kestrav/values.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

using namespace kestrav;

void checkRead(cli::Command command, const cli::Arguments& read) {
  std::vector<int> programs = read.programs;
  std::sort(programs.begin(), programs.end());
  FUZZ_CHECK(std::adjacent_find(programs.begin(), programs.end()) == programs.end());
  FUZZ_CHECK(std::all_of(programs.begin(), programs.end(), [](int n) { return n >= 0; }));
  switch (command) {
    case cli::kRun:
      FUZZ_CHECK(read.all != !read.programs.empty());
      break;
    case cli::kSearch:
      // One model: a Gram code, blocks or a row, which may leave out the rest.
      FUZZ_CHECK(!read.gram.empty() + !read.blocks.empty() + read.row.has_value() == 1);
      FUZZ_CHECK(read.row || read.layout.has_value());
      FUZZ_CHECK(read.row || (read.total >= 1 && read.total <= kMaxTotal));
      break;
    case cli::kVerify:
      FUZZ_CHECK(!read.directory.empty());
      break;
    case cli::kCatalogue:
      FUZZ_CHECK(!read.all && read.directory.empty());
      break;
    case cli::kJoin:
      FUZZ_CHECK(!read.parts.empty() && !read.out.empty());
      break;
  }
  FUZZ_CHECK(read.search.shardIndex >= 1 && read.search.shardIndex <= read.search.shardCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr cli::Command kCommands[] = {cli::kRun, cli::kSearch, cli::kVerify, cli::kCatalogue,
                                               cli::kJoin};
  const cli::Command command = kCommands[data[0] % std::size(kCommands)];
  std::vector<std::string> words;
  if (size > 1) words = fuzz::piecesOf(fuzz::inputText(data + 1, size - 1), '\0');
  cli::Arguments read;
  std::string error;
  if (cli::parseArguments(command, words, read, error)) {
    checkRead(command, read);
  } else {
    fuzz::checkMessage(error);
  }
  return 0;
}
