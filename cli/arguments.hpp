#pragma once
// The arguments of `kestrav run`, `kestrav search` and `kestrav verify`,
// read through the table of options (cli/options.hpp). Parsing checks the
// form of every argument; a failure gives one line that names the argument.
// An option that is not repeatable may be given once, and no value is empty.

#include <optional>
#include <string>
#include <vector>

#include "cli/options.hpp"
#include "kestrav/layout.hpp"
#include "kestrav/manifest.hpp"
#include "kestrav/model.hpp"
#include "kestrav/search.hpp"

namespace kestrav::cli {

struct Arguments {
  // run and search
  SearchOptions search;  // --threads, --shard, --simd, --tail
  bool progress = false;
  bool sync = false;  // fsync each result file and its directory when complete
  // run: the directory of the result files; search: the result file. Empty:
  // the working directory, standard output.
  std::string out;
  std::string catalogueFile;  // run and verify; empty: the built-in catalogue
  std::vector<int> programs;  // run, verify and catalogue; empty for verify and catalogue: every row
  bool all = false;           // run

  // search
  std::string gram;  // one block over every entry
  std::vector<Block> blocks;
  std::optional<int> row;  // the catalogue row whose model --row takes
  std::optional<Layout> layout;
  int total = 0;
  std::vector<int> multipliers;  // empty: 1, or the row's
  bool count = false;            // count the compositions and estimate the time only
  bool countRecords = false;     // count the records of each pass, write none
  bool resume = false;           // continue the work in progress of --out
  bool restart = false;          // discard it
  std::optional<double> checkpointSeconds;

  bool noManifest = false;  // run, search and join

  // join
  std::vector<std::string> parts;

  // verify
  std::uint64_t sample = kDefaultVerifySample;  // FILE: compositions sampled
  bool quiet = false;
  std::string checksDirectory;  // empty: the built-in check tables
  std::string directory;        // of the result files
};

// Reads the words after the command's name. Returns false with a one-line
// message that starts with the option or word at fault.
bool parseArguments(Command command, const std::vector<std::string>& words, Arguments& parsed,
                    std::string& error);

}  // namespace kestrav::cli
