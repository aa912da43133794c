// `kestrav search`: the search of a model given on the command line.
#include <cstdio>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/interrupts.hpp"
#include "cli/progress.hpp"
#include "cli/standard_streams.hpp"
#include "kestrav/model.hpp"
#include "kestrav/search.hpp"

namespace kestrav::cli {
namespace {

constexpr double kRateSampleSeconds = 0.5;

// "85,900,584"
std::string grouped(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

// What --count prints: the compositions of each pass and of all, and the
// time they would take at the rate measured here on a sample of the search.
int printCount(const Model& model, const SearchSize& size, const SearchOptions& options) {
  for (std::size_t p = 0; p < model.multipliers().size(); ++p) {
    std::printf("m=%d: %s compositions\n", model.multipliers()[p], grouped(size.perPass[p]).c_str());
  }
  std::printf("all: %s compositions\n", grouped(size.total).c_str());
  const double rate = measureSearchRate(model, options, kRateSampleSeconds);
  if (rate > 0) {
    const int threads = threadsFor(options);
    const double shards = options.shardCount;
    std::printf(
        "expected time: about %s with %d thread%s at %.2g compositions/s (measured here on a sample)%s\n",
        durationText(static_cast<double>(size.total) / shards / rate).c_str(), threads,
        threads == 1 ? "" : "s", rate, options.shardCount > 1 ? ", per shard" : "");
  }
  return 0;
}

Model modelOf(Arguments& parsed) {
  if (!parsed.gram.empty())
    return Model::fromGram(parsed.gram, *parsed.layout, parsed.total, parsed.multipliers);
  return Model::fromBlocks(std::move(parsed.blocks), *parsed.layout, parsed.total, parsed.multipliers);
}

}  // namespace

int searchCommand(const std::vector<std::string>& args, const std::string& program) {
  Arguments parsed;
  std::string error;
  if (!parseArguments(kSearch, args, parsed, error)) return refuse(program, error);
  if (parsed.countRecords && parsed.count)
    return refuse(program, "--count and --count-records: give one or the other");
  if (parsed.countRecords && !parsed.out.empty())
    return refuse(program, "--count-records: writes no file; leave out --out");
  // Everything is checked before the output is opened: bad input writes nothing.
  const Model model = modelOf(parsed);
  const SearchSize size = searchSize(model);
  SearchOptions options = parsed.search;
  if (parsed.count) return printCount(model, size, options);

  const bool toFile = !parsed.out.empty();
  const std::string target = toFile ? shownFileName(parsed.out) : "standard output";
  ProgressLine progress(progressWanted(parsed.progress), "kestrav search");
  options.progress = [&progress](std::uint64_t done, std::uint64_t total) { progress.update(done, total); };
  options.cancel = interruptFlag();
  const SearchSummary summary = parsed.countRecords ? countRecords(model, options)
                                : toFile            ? searchToFile(model, parsed.out, options, parsed.sync)
                                                    : searchToStream(model, stdout, options);
  progress.finish();
  // A search that completed before it saw the signal has written everything.
  if (summary.status != SearchStatus::Complete && interrupted()) {
    const std::string lost = parsed.countRecords ? "nothing counted"
                             : toFile            ? target + " not written"
                                                 : "the records on standard output are incomplete";
    std::fprintf(stderr, "%s: interrupted by %s; %s\n", program.c_str(), interruptName(), lost.c_str());
    return interruptedExitStatus();
  }
  if (summary.status != SearchStatus::Complete) {
    if (parsed.countRecords) {
      std::fprintf(stderr, "%s: cannot count the records: %s\n", program.c_str(), summary.error.c_str());
    } else if (toFile) {
      std::fprintf(stderr, "%s: cannot write %s: %s\n", program.c_str(), target.c_str(),
                   summary.error.c_str());
    } else {
      reportStandardOutputFailure(program.c_str(), summary.error);
    }
    return 1;
  }
  const std::string line = summaryText(model.multipliers(), summary.recordsPerPass, summary.seconds);
  if (parsed.countRecords) {
    std::printf("%s\n", line.c_str());
  } else {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), line.c_str());
  }
  return 0;
}

}  // namespace kestrav::cli
