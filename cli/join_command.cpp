// `kestrav join`: the shards of one search joined into its whole result file.
#include <cstdio>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "kestrav/error.hpp"
#include "kestrav/manifest.hpp"

namespace kestrav::cli {

int joinCommand(const std::vector<std::string>& args, const std::string& program) {
  Arguments parsed;
  std::string error;
  if (!parseArguments(kJoin, args, parsed, error)) return refuse(program, error);
  const std::vector<std::filesystem::path> parts(parsed.parts.begin(), parsed.parts.end());
  std::string problem;
  try {
    if (joinShards(parts, parsed.out, problem, {!parsed.noManifest, commandWords(program, args)},
                   parsed.sync))
      return 0;
  } catch (const Error& unreadable) {
    return refuse(program, unreadable.reason());  // a manifest it cannot read: nothing written
  }
  std::fprintf(stderr, "%s: %s\n", program.c_str(), problem.c_str());
  return 1;
}

}  // namespace kestrav::cli
