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
#include "cli/progress.hpp"
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
  std::string name = "OutputPart" + std::to_string(number);
  if (common.shardCount > 1) {
    std::string index = std::to_string(common.shardIndex);
    const std::string count = std::to_string(common.shardCount);
    index.insert(0, count.size() - index.size(), '0');
    name += ".shard-" + index + "-of-" + count;
  }
  return name + ".txt";
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
      return usageError("--catalogue: cannot read " + parsed.catalogueFile + ": " + std::strerror(errno));
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
    const engine::CatalogueSearch* found = nullptr;
    for (const auto& search : searches) {
      if (search.number == number) found = &search;
    }
    if (found == nullptr) return usageError(std::to_string(number) + ": no such program in the catalogue");
    chosen.push_back(found);
  }

  const std::filesystem::path directory = parsed.outDirectory;
  std::error_code made;
  std::filesystem::create_directories(directory, made);
  if (made) return usageError("--out: cannot create " + directory.string() + ": " + made.message());

  const engine::SearchOptions options = engineOptions(parsed.common);
  const bool showProgress = progressWanted(parsed.common.progress);
  std::unique_ptr<ProgressLine> progress;
  std::size_t reported = 0;
  engine::CatalogueRunHooks hooks;
  hooks.fileFor = [&directory, &parsed](int number) { return directory / outputName(number, parsed.common); };
  const auto label = [&chosen, &reported](int number) {
    std::string text = "[";
    text += std::to_string(reported + 1);
    text += '/';
    text += std::to_string(chosen.size());
    text += "] kestrav";
    text += std::to_string(number);
    return text;
  };
  hooks.progress = [&](int number, double fraction) {
    if (!progress) progress = std::make_unique<ProgressLine>(showProgress, label(number));
    progress->update(fraction);
  };
  hooks.finished = [&](const engine::CatalogueRunResult& result) {
    if (progress) progress->finish();
    progress.reset();
    ++reported;
    if (!result.written) {
      std::fprintf(stderr, "kestrav run: cannot write %s: %s\n", result.file.c_str(), result.error.c_str());
      return;
    }
    const engine::CatalogueSearch* search = nullptr;
    for (const auto* candidate : chosen) {
      if (candidate->number == result.number) search = candidate;
    }
    std::printf(
        "kestrav%d: %s\n", result.number,
        summaryText(search->model.multipliers, result.summary.recordsPerPass, result.seconds).c_str());
    std::fflush(stdout);
  };
  if (!engine::runCatalogueSearches(chosen, options, hooks)) return 1;
  return 0;
}

}  // namespace kestrav::cli
