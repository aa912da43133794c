#pragma once
// The command line of `kestrav run` and `kestrav search`. Parsing checks
// the form of every argument; a failure gives one line that names the
// argument. An option other than --blocks may be given once.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/tail_filter.hpp"

namespace kestrav::cli {

struct CommonOptions {
  int threads = 0;  // 0: one per processor
  int shardIndex = 1;
  int shardCount = 1;
  bool progress = false;
  std::optional<engine::SimdLevel> simd;
  int tailLength = 0;  // 0: the engine's default
  bool sync = false;   // fsync each result file and its directory when complete
};

struct RunArguments {
  bool all = false;
  std::vector<int> programs;
  std::string outDirectory = ".";
  std::string catalogueFile;  // empty: the catalogue built into the command
  CommonOptions common;
};

struct SearchArguments {
  std::string gram;                 // one block over every entry
  std::vector<std::string> blocks;  // or blocks POSITIONS:CODE
  std::string layout;
  int total = 0;
  std::vector<int> multipliers = {1};
  std::string outFile;  // empty: standard output
  bool count = false;   // count the compositions and estimate the time only
  CommonOptions common;
};

bool parseRunArguments(const std::vector<std::string>& args, RunArguments& parsed, std::string& error);
bool parseSearchArguments(const std::vector<std::string>& args, SearchArguments& parsed, std::string& error);

// "i/N" with 1 <= i <= N. Otherwise false, with the reason (which quotes
// the text but names no option).
bool parseShard(std::string_view text, int& index, int& count, std::string& reason);

}  // namespace kestrav::cli
