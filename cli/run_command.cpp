// `kestrav run`: catalogue programs through the engine, one result file each.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/engine_options.hpp"
#include "cli/progress.hpp"
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

  engine::SearchOptions options = engineOptions(parsed.common);
  const bool showProgress = progressWanted(parsed.common.progress);
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const engine::CatalogueSearch& search = *chosen[i];
    const std::filesystem::path path = directory / outputName(search.number, parsed.common);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
      std::fprintf(stderr, "kestrav run: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
    ProgressLine progress(showProgress, "[" + std::to_string(i + 1) + "/" + std::to_string(chosen.size()) +
                                            "] kestrav" + std::to_string(search.number));
    options.progress = [&progress](double done) { progress.update(done); };
    const auto start = std::chrono::steady_clock::now();
    engine::SearchSummary summary;
    bool written = engine::runSearch(search.model, options, out, summary, error);
    if (std::fclose(out) != 0 && written) {
      written = false;
      error = std::strerror(errno);
    }
    progress.finish();
    if (!written) {
      std::fprintf(stderr, "kestrav run: cannot write %s: %s\n", path.c_str(), error.c_str());
      return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("kestrav%d: %s\n", search.number,
                summaryText(search.model.multipliers, summary.recordsPerPass, seconds).c_str());
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace kestrav::cli
