// `kestrav run`: catalogue programs through the engine, one result file each.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/engine_options.hpp"
#include "cli/interrupts.hpp"
#include "cli/progress.hpp"
#include "cli/standard_streams.hpp"
#include "core/quoted_text.hpp"
#include "core/result_name.hpp"
#include "engine/catalogue_run.hpp"
#include "engine/catalogue_search.hpp"

namespace kestrav::cli {
namespace {

int usageError(const std::string& message) {
  std::fprintf(stderr, "kestrav run: %s\n", message.c_str());
  return 2;
}

// OutputPartN.txt, or OutputPartN.shard-i-of-N.txt with i padded to the
// width of N so that the shards sort in order.
std::string outputName(int number, const CommonOptions& common) {
  if (common.shardCount == 1) return resultFileName(number);
  std::string index = std::to_string(common.shardIndex);
  const std::string count = std::to_string(common.shardCount);
  index.insert(0, count.size() - index.size(), '0');
  return resultFileName(number, ".shard-" + index + "-of-" + count);
}

}  // namespace

int runCommand(const std::vector<std::string>& args) {
  RunArguments parsed;
  std::string error;
  if (!parseRunArguments(args, parsed, error)) return usageError(error);

  std::string catalogue = kBuiltInCatalogue;
  if (!parsed.catalogueFile.empty()) {
    std::ifstream input(parsed.catalogueFile);
    if (!input)
      return usageError("--catalogue: cannot read " + shownName(parsed.catalogueFile) + ": " +
                        std::strerror(errno));
    std::ostringstream text;
    text << input.rdbuf();
    catalogue = text.str();
  }
  std::vector<engine::CatalogueSearch> searches;
  if (!engine::loadCatalogueSearches(catalogue, searches, error)) return usageError("catalogue: " + error);

  std::vector<const engine::CatalogueSearch*> chosen;
  if (parsed.all) {
    for (const auto& search : searches) chosen.push_back(&search);
  }
  for (int number : parsed.programs) {
    const engine::CatalogueSearch* found = findByNumber(searches, number);
    if (found == nullptr) return usageError(std::to_string(number) + ": no such program in the catalogue");
    chosen.push_back(found);
  }

  const std::filesystem::path directory = parsed.outDirectory;
  std::error_code made;
  std::filesystem::create_directories(directory, made);
  if (made)
    return usageError("--out: cannot create " + shownName(directory.string()) + ": " + made.message());

  engine::SearchOptions options = engineOptions(parsed.common);
  options.cancelled = interrupted;
  const bool showProgress = progressWanted(parsed.common.progress);
  std::unique_ptr<ProgressLine> progress;
  std::size_t reported = 0;
  std::vector<std::string> notWritten;  // searches stopped or never started
  bool summaryLost = false;             // a summary line could not be written
  engine::CatalogueRunHooks hooks;
  hooks.sync = parsed.common.sync;
  hooks.fileFor = [&directory, &parsed](int number) { return directory / outputName(number, parsed.common); };
  const auto label = [&chosen, &reported](int number) {
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "[" + ...
    std::string text = "[";
    text += std::to_string(reported + 1);
    text += '/';
    text += std::to_string(chosen.size());
    text += "] kestrav";
    text += std::to_string(number);
    return text;
  };
  hooks.progress = [&](int number, std::uint64_t done, std::uint64_t total) {
    if (!progress) progress = std::make_unique<ProgressLine>(showProgress, label(number));
    progress->update(done, total);
  };
  hooks.finished = [&](const engine::CatalogueRunResult& result) {
    if (progress) progress->finish();
    progress.reset();
    ++reported;
    if (result.status == engine::SearchStatus::Failed) {
      std::fprintf(stderr, "kestrav run: cannot write %s: %s\n", shownName(result.file.string()).c_str(),
                   result.error.c_str());
      return;
    }
    if (result.status == engine::SearchStatus::Cancelled) {
      notWritten.push_back(shownName(result.file.string()));
      return;
    }
    const engine::CatalogueSearch* search = findByNumber(searches, result.number);
    // The files are what counts: the run goes on without its summary lines,
    // reports the first failure to write one and ends with status 1.
    const std::string summary =
        summaryText(search->model.multipliers, result.summary.recordsPerPass, result.seconds);
    errno = 0;
    if (std::printf("kestrav%d: %s\n", result.number, summary.c_str()) < 0 || std::fflush(stdout) != 0) {
      reportStandardOutputFailure("kestrav run", errno != 0 ? std::strerror(errno) : "");
      summaryLost = true;
    }
  };
  const engine::SearchStatus status = engine::runCatalogueSearches(chosen, options, hooks);
  if (!notWritten.empty()) {
    std::string names;
    for (const std::string& name : notWritten) names += (names.empty() ? "" : ", ") + name;
    const std::string why = interrupted() ? std::string("interrupted by ") + interruptName()
                                          : std::string("stopped after a failure");
    std::fprintf(stderr, "kestrav run: %s; not written: %s\n", why.c_str(), names.c_str());
  }
  if (interrupted()) return interruptedExitStatus();
  return status == engine::SearchStatus::Complete && !summaryLost ? 0 : 1;
}

}  // namespace kestrav::cli
