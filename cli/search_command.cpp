// `kestrav search`: the search of a model given on the command line.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/interrupts.hpp"
#include "cli/progress.hpp"
#include "cli/standard_streams.hpp"
#include "kestrav/catalogue.hpp"
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

// "4.03 GB": a size in bytes for people, in powers of 1000.
std::string sizeText(double bytes) {
  static constexpr const char* kUnits[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
  std::size_t unit = 0;
  while (bytes >= 999.5 && unit + 1 < std::size(kUnits)) {
    bytes /= 1000;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.3g %s", bytes, kUnits[unit]);
  return text;
}

// What --count prints: the compositions of each pass and of all (of the
// shard, with --shard), and the records, bytes and time they would take,
// from a sample of the search measured here.
int printCount(const Model& model, const SearchSize& size, const SearchOptions& options) {
  const ShardRange shard = shardRange(model, options.shardIndex, options.shardCount);
  const std::string ofShard = options.shardCount == 1 ? ""
                                                      : " (shard " + std::to_string(options.shardIndex) +
                                                            "/" + std::to_string(options.shardCount) + ")";
  std::uint64_t passStart = 0;
  for (std::size_t p = 0; p < model.multipliers().size(); ++p) {
    const std::uint64_t passEnd = passStart + size.perPass[p];
    const std::uint64_t from = std::max(passStart, shard.first);
    const std::uint64_t to = std::min(passEnd, shard.end);
    std::printf("m=%d: %s compositions%s\n", model.multipliers()[p],
                grouped(to > from ? to - from : 0).c_str(), ofShard.c_str());
    passStart = passEnd;
  }
  const std::uint64_t searched = shard.end - shard.first;
  if (options.shardCount == 1) {
    std::printf("all: %s compositions\n", grouped(size.total).c_str());
  } else {
    std::printf("all: %s of %s compositions%s\n", grouped(searched).c_str(), grouped(size.total).c_str(),
                ofShard.c_str());
  }
  const SearchSample sample = sampleSearch(model, options, kRateSampleSeconds);
  if (sample.compositionsPerSecond <= 0) return 0;
  const auto compositions = static_cast<double>(searched);
  std::printf("expected output: about %s records, %s (estimated from a sample)\n",
              grouped(static_cast<std::uint64_t>(sample.recordsPerComposition * compositions + 0.5)).c_str(),
              sizeText(sample.bytesPerComposition * compositions).c_str());
  const int threads = threadsFor(options);
  const double seconds = compositions / sample.compositionsPerSecond;
  const std::string time = seconds < 0.5 ? "under 1 s" : "about " + durationText(seconds);
  std::printf("expected time: %s with %d thread%s at %.2g compositions/s (measured here on a sample)\n",
              time.c_str(), threads, threads == 1 ? "" : "s", sample.compositionsPerSecond);
  return 0;
}

// "37%": the share of a search's compositions that its work in progress covers.
std::string shareInProgress(const SearchSummary& summary) {
  const std::uint64_t share =
      summary.compositions == 0 ? 100 : summary.compositionsInProgress * 100 / summary.compositions;
  return std::to_string(share) + "%";
}

// What the command says of the work in progress a search left or found:
// where it is and which option does what with it; empty when none.
std::string workInProgressText(const SearchSummary& summary, const std::string& target,
                               const std::string& file) {
  const std::string partial = shownFileName(workInProgressPath(file).string());
  switch (summary.workInProgress) {
    case WorkInProgress::Kept:
      return "its work in progress is kept in " + partial + " (" + shareInProgress(summary) +
             " done): --resume continues it";
    case WorkInProgress::Found:
      return "cannot write " + target + ": " + partial + " holds the work in progress of an earlier search" +
             (summary.compositionsInProgress > 0 ? " (" + shareInProgress(summary) + " done)" : "") +
             ": --resume continues it, --restart discards it";
    case WorkInProgress::OtherSearch:
    case WorkInProgress::Damaged:
      return "cannot resume " + target + ": " + summary.error + ": --restart discards it";
    case WorkInProgress::Busy:
      return "cannot write " + target + ": " + summary.error;
    case WorkInProgress::None:
      break;
  }
  return "";
}

// The file options --resume, --restart and --checkpoint ask for; a
// message when they cannot go together.
std::string fileOptionsOf(const Arguments& parsed, FileOptions& file) {
  const char* given = parsed.resume ? "--resume" : parsed.restart ? "--restart" : nullptr;
  if (parsed.resume && parsed.restart) return "--resume and --restart: give one or the other";
  if (parsed.checkpointSeconds && !given && parsed.out.empty()) given = "--checkpoint";
  if (given != nullptr && parsed.out.empty()) return std::string(given) + ": needs --out FILE";
  if (parsed.resume && parsed.checkpointSeconds == 0.0)
    return "--resume: resumes from checkpoints; --checkpoint 0 turns them off";
  file.sync = parsed.sync;
  file.earlier = parsed.resume    ? EarlierWork::Resume
                 : parsed.restart ? EarlierWork::Restart
                                  : EarlierWork::Refuse;
  if (parsed.checkpointSeconds) file.checkpointSeconds = *parsed.checkpointSeconds;
  return "";
}

// The model of --gram, --blocks or --row; a row's layout, total and
// multipliers unless given.
Model modelOf(Arguments& parsed, const Catalogue& catalogue) {
  if (parsed.row) {
    const CatalogueRow& row = *catalogue.find(*parsed.row);
    return Model::fromBlocks(row.model.blocks(), parsed.layout.value_or(row.model.layout()),
                             parsed.total != 0 ? parsed.total : row.model.total(),
                             parsed.multipliers.empty() ? row.model.multipliers() : parsed.multipliers);
  }
  const std::vector<int> multipliers = parsed.multipliers.empty() ? std::vector<int>{1} : parsed.multipliers;
  if (!parsed.gram.empty()) return Model::fromGram(parsed.gram, *parsed.layout, parsed.total, multipliers);
  return Model::fromBlocks(std::move(parsed.blocks), *parsed.layout, parsed.total, multipliers);
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
  FileOptions fileOptions;
  if (const std::string conflict = fileOptionsOf(parsed, fileOptions); !conflict.empty())
    return refuse(program, conflict);
  const Catalogue& catalogue = Catalogue::builtIn();
  if (parsed.row && catalogue.find(*parsed.row) == nullptr)
    return refuse(program, "--row: " + std::to_string(*parsed.row) + ": no such row in the catalogue");
  if (!parsed.out.empty()) {
    const std::string problem = resultFileNameProblem(parsed.out);
    if (!problem.empty()) return refuse(program, "--out: " + shownFileName(parsed.out) + ": " + problem);
  }
  fileOptions.manifest = {!parsed.noManifest, commandWords(program, args)};
  // Everything is checked before the output is opened: bad input writes nothing.
  const Model model = modelOf(parsed, catalogue);
  const SearchSize size = searchSize(model);
  SearchOptions options = parsed.search;
  if (parsed.count) return printCount(model, size, options);

  const bool toFile = !parsed.out.empty();
  const std::string target = toFile ? shownFileName(parsed.out) : "standard output";
  ProgressLine progress(progressWanted(parsed.progress), "kestrav search");
  options.progress = [&progress](std::uint64_t done, std::uint64_t total) { progress.update(done, total); };
  options.cancel = interruptFlag();
  const SearchSummary summary = parsed.countRecords ? countRecords(model, options)
                                : toFile            ? searchToFile(model, parsed.out, options, fileOptions)
                                                    : searchToStream(model, stdout, options);
  progress.finish();
  const std::string workInProgress = workInProgressText(summary, target, parsed.out);
  // A search that completed before it saw the signal has written everything.
  if (summary.status != SearchStatus::Complete && interrupted() && !workInProgress.empty()) {
    std::fprintf(stderr, "%s: interrupted by %s; %s not written; %s\n", program.c_str(), interruptName(),
                 target.c_str(), workInProgress.c_str());
    return interruptedExitStatus();
  }
  if (summary.status != SearchStatus::Complete && summary.workInProgress == WorkInProgress::Kept) {
    std::fprintf(stderr, "%s: cannot write %s: %s; %s\n", program.c_str(), target.c_str(),
                 summary.error.c_str(), workInProgress.c_str());
    return 1;
  }
  if (summary.status != SearchStatus::Complete && !workInProgress.empty()) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), workInProgress.c_str());
    return 1;
  }
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
    const std::string resumed = summary.resumed ? " (resumed at " + shareInProgress(summary) + ")" : "";
    std::fprintf(stderr, "%s: %s%s\n", program.c_str(), line.c_str(), resumed.c_str());
  }
  return 0;
}

}  // namespace kestrav::cli
