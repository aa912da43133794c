// `kestrav run`: catalogue programs through the library, one result file each.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/interrupts.hpp"
#include "cli/progress.hpp"
#include "cli/standard_streams.hpp"
#include "kestrav/catalogue.hpp"
#include "kestrav/names.hpp"

namespace kestrav::cli {
namespace {

// OutputPartN.txt, or OutputPartN.shard-i-of-N.txt with i padded to the
// width of N so that the shards sort in order.
std::string outputName(int number, const SearchOptions& options) {
  if (options.shardCount == 1) return resultFileName(number);
  std::string index = std::to_string(options.shardIndex);
  const std::string count = std::to_string(options.shardCount);
  index.insert(0, count.size() - index.size(), '0');
  return resultFileName(number, ".shard-" + index + "-of-" + count);
}

}  // namespace

int runCommand(const std::vector<std::string>& args, const std::string& program) {
  Arguments parsed;
  std::string error;
  if (!parseArguments(kRun, args, parsed, error)) return refuse(program, error);

  std::optional<Catalogue> fromFile;
  if (!parsed.catalogueFile.empty()) fromFile = Catalogue::fromFile(parsed.catalogueFile);
  const Catalogue& catalogue = fromFile ? *fromFile : Catalogue::builtIn();
  std::vector<int> chosen = parsed.programs;
  if (parsed.all) {
    for (const CatalogueRow& row : catalogue.rows()) chosen.push_back(row.number);
  }
  // Every program is known before the directory is made.
  for (int number : chosen) {
    if (catalogue.find(number) == nullptr)
      return refuse(program, std::to_string(number) + ": no such program in the catalogue");
  }

  const std::filesystem::path directory = parsed.out.empty() ? "." : parsed.out;
  std::error_code made;
  std::filesystem::create_directories(directory, made);
  if (made)
    return refuse(program,
                  "--out: cannot create " + shownFileName(directory.string()) + ": " + made.message());

  SearchOptions options = parsed.search;
  options.cancel = interruptFlag();
  const bool showProgress = progressWanted(parsed.progress);
  std::unique_ptr<ProgressLine> progress;
  std::size_t reported = 0;
  std::vector<std::string> notWritten;  // searches stopped or never started
  bool summaryLost = false;             // a summary line could not be written
  CatalogueRunHooks hooks;
  hooks.sync = parsed.sync;
  hooks.manifest = {!parsed.noManifest, commandWords(program, args)};
  hooks.fileFor = [&directory, &options](int number) { return directory / outputName(number, options); };
  const auto label = [&chosen, &reported](int number) {
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "[" + ...
    std::string text = "[";
    text += std::to_string(reported + 1);
    text += '/';
    text += std::to_string(chosen.size());
    text += "] ";
    text += programName(number);
    return text;
  };
  hooks.progress = [&](int number, std::uint64_t done, std::uint64_t total) {
    if (!progress) progress = std::make_unique<ProgressLine>(showProgress, label(number));
    progress->update(done, total);
  };
  hooks.finished = [&](const CatalogueRunResult& result) {
    if (progress) progress->finish();
    progress.reset();
    ++reported;
    const SearchSummary& summary = result.summary;
    if (summary.status == SearchStatus::Failed) {
      std::fprintf(stderr, "%s: cannot write %s: %s\n", program.c_str(),
                   shownFileName(result.file.string()).c_str(), summary.error.c_str());
      return;
    }
    if (summary.status == SearchStatus::Cancelled) {
      notWritten.push_back(shownFileName(result.file.string()));
      return;
    }
    // The files are what counts: the run goes on without its summary lines,
    // reports the first failure to write one and ends with status 1.
    const std::string line = summaryText(catalogue.find(result.number)->model.multipliers(),
                                         summary.recordsPerPass, summary.seconds);
    errno = 0;
    if (std::printf("%s: %s\n", programName(result.number).c_str(), line.c_str()) < 0 ||
        std::fflush(stdout) != 0) {
      reportStandardOutputFailure(program.c_str(), errno != 0 ? std::strerror(errno) : "");
      summaryLost = true;
      // Nobody reads the summaries any more: the run stops at once, and
      // the programs under way remove their temporary files.
      if (standardOutputReaderGone()) stopWithoutSignal();
    }
  };
  const SearchStatus status = runCatalogue(catalogue, chosen, options, hooks);
  if (!notWritten.empty() && !standardOutputReaderGone()) {
    std::string names;
    for (const std::string& name : notWritten) names += (names.empty() ? "" : ", ") + name;
    const std::string why = interrupted() ? std::string("interrupted by ") + interruptName()
                                          : std::string("stopped after a failure");
    std::fprintf(stderr, "%s: %s; not written: %s\n", program.c_str(), why.c_str(), names.c_str());
  }
  if (interrupted()) return interruptedExitStatus();
  return status == SearchStatus::Complete && !summaryLost ? 0 : 1;
}

}  // namespace kestrav::cli
