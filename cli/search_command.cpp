// `kestrav search`: the search of a model given on the command line.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/custom_model.hpp"
#include "cli/engine_options.hpp"
#include "cli/progress.hpp"

namespace kestrav::cli {

int searchCommand(const std::vector<std::string>& args) {
  SearchArguments parsed;
  engine::SearchModel model;
  std::string error;
  // Everything is checked before the output is opened: bad input writes nothing.
  if (!parseSearchArguments(args, parsed, error) || !buildCustomModel(parsed, model, error)) {
    std::fprintf(stderr, "kestrav search: %s\n", error.c_str());
    return 2;
  }
  const bool toFile = !parsed.outFile.empty();
  std::FILE* out = toFile ? std::fopen(parsed.outFile.c_str(), "wb") : stdout;
  if (out == nullptr) {
    std::fprintf(stderr, "kestrav search: cannot open %s: %s\n", parsed.outFile.c_str(),
                 std::strerror(errno));
    return 1;
  }
  engine::SearchOptions options = engineOptions(parsed.common);
  ProgressLine progress(progressWanted(parsed.common.progress), "kestrav search");
  options.progress = [&progress](double done) { progress.update(done); };
  const auto start = std::chrono::steady_clock::now();
  engine::SearchSummary summary;
  bool written = engine::runSearch(model, options, out, summary, error);
  if (toFile && std::fclose(out) != 0 && written) {
    written = false;
    error = std::strerror(errno);
  }
  progress.finish();
  if (!written) {
    std::fprintf(stderr, "kestrav search: cannot write %s: %s\n",
                 toFile ? parsed.outFile.c_str() : "standard output", error.c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "kestrav search: %s\n",
               summaryText(model.multipliers, summary.recordsPerPass, seconds).c_str());
  return 0;
}

}  // namespace kestrav::cli
