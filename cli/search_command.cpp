// `kestrav search`: the search of a model given on the command line.
#include <chrono>
#include <cstdio>
#include <optional>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/custom_model.hpp"
#include "cli/engine_options.hpp"
#include "cli/interrupts.hpp"
#include "cli/progress.hpp"
#include "cli/standard_streams.hpp"
#include "core/quoted_text.hpp"
#include "engine/output_file.hpp"
#include "engine/search_rate.hpp"
#include "engine/work_units.hpp"
#include "engine/worker_threads.hpp"

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
int printCount(const engine::SearchModel& model, const engine::SearchSize& size,
               const engine::SearchOptions& options) {
  for (std::size_t p = 0; p < model.multipliers.size(); ++p) {
    std::printf("m=%d: %s compositions\n", model.multipliers[p], grouped(size.perPass[p]).c_str());
  }
  std::printf("all: %s compositions\n", grouped(size.total).c_str());
  const double rate = engine::measureSearchRate(model, options, kRateSampleSeconds);
  if (rate > 0) {
    const double shards = options.shardCount;
    std::printf(
        "expected time: about %s with %d thread%s at %.2g compositions/s (measured here on a sample)%s\n",
        durationText(static_cast<double>(size.total) / shards / rate).c_str(), options.threads,
        options.threads == 1 ? "" : "s", rate, options.shardCount > 1 ? ", per shard" : "");
  }
  return 0;
}

}  // namespace

int searchCommand(const std::vector<std::string>& args) {
  SearchArguments parsed;
  engine::SearchModel model;
  std::string error;
  // Everything is checked before the output is opened: bad input writes nothing.
  if (!parseSearchArguments(args, parsed, error) || !buildCustomModel(parsed, model, error)) {
    std::fprintf(stderr, "kestrav search: %s\n", error.c_str());
    return 2;
  }
  const std::optional<engine::SearchSize> size = engine::searchSize(model);
  if (!size) {
    std::fprintf(stderr, "kestrav search: --total: the search has more than 2^64 - 1 compositions\n");
    return 2;
  }
  engine::SearchOptions options = engineOptions(parsed.common);
  if (parsed.count) return printCount(model, *size, options);

  const bool toFile = !parsed.outFile.empty();
  const std::string target = toFile ? shownName(parsed.outFile) : "standard output";
  engine::OutputFile file;
  if (toFile && !file.open(parsed.outFile, error)) {
    std::fprintf(stderr, "kestrav search: cannot write %s: %s\n", target.c_str(), error.c_str());
    return 1;
  }
  ProgressLine progress(progressWanted(parsed.common.progress), "kestrav search");
  options.progress = [&progress](std::uint64_t done, std::uint64_t total) { progress.update(done, total); };
  options.cancelled = interrupted;
  const auto start = std::chrono::steady_clock::now();
  engine::SearchSummary summary;
  engine::SearchStatus status = engine::SearchStatus::Failed;
  try {
    status = engine::runSearch(model, options, toFile ? file.stream() : stdout, summary, error);
  } catch (...) {
    error = engine::describeException(std::current_exception());
  }
  if (status == engine::SearchStatus::Complete && toFile && !file.commit(parsed.common.sync, error)) {
    status = engine::SearchStatus::Failed;
  }
  progress.finish();
  if (interrupted()) {
    file.abandon();
    std::fprintf(
        stderr, "kestrav search: interrupted by %s; %s\n", interruptName(),
        toFile ? (target + " not written").c_str() : "the records on standard output are incomplete");
    return interruptedExitStatus();
  }
  if (status != engine::SearchStatus::Complete) {
    file.abandon();
    if (toFile) {
      std::fprintf(stderr, "kestrav search: cannot write %s: %s\n", target.c_str(), error.c_str());
    } else {
      reportStandardOutputFailure("kestrav search", error);
    }
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "kestrav search: %s\n",
               summaryText(model.multipliers, summary.recordsPerPass, seconds).c_str());
  return 0;
}

}  // namespace kestrav::cli
