#include "kestrav/catalogue.hpp"

#include <sstream>

#include "engine/catalogue_run.hpp"
#include "engine/catalogue_search.hpp"
#include "kestrav/error.hpp"
#include "lib/access.hpp"
#include "lib/catalogue_data.hpp"
#include "lib/manifest_run.hpp"
#include "lib/model_data.hpp"
#include "lib/search_options.hpp"
#include "verify/regular_file.hpp"

namespace kestrav {
namespace {

std::vector<Block> blocksOf(const VariantSpec& variant) {
  std::vector<Block> blocks;
  for (const BlockCode& code : variant.blocks) blocks.push_back(Block{code.positions, code.gramCode});
  return blocks;
}

}  // namespace

Catalogue Catalogue::fromText(std::string_view text) {
  auto data = std::make_shared<detail::CatalogueData>();
  std::istringstream input{std::string(text)};
  std::string error;
  if (!readCatalogue(input, data->variantRows, error)) throw Error(Field::Catalogue, error);
  if (data->variantRows.empty()) throw Error(Field::Catalogue, "no rows");
  for (const VariantSpec& variant : data->variantRows) {
    std::vector<ExpandedBlock> expanded;
    if (!expandCatalogueRow(variant, expanded, error))
      throw Error(Field::Catalogue, "row " + std::to_string(variant.number) + ": " + error);
    const bool fromGram = variant.form == ModelForm::SingleBlock;
    data->rows.push_back(CatalogueRow{
        variant.number, variant.family,
        detail::modelOf(engine::searchModelFromRow(variant, expanded), blocksOf(variant), fromGram)});
  }
  return detail::Access::catalogue(std::move(data));
}

Catalogue Catalogue::fromFile(const std::filesystem::path& file) {
  std::string text;
  if (std::string failure = readRegularFileText(file, text); !failure.empty())
    throw Error(Field::Catalogue, failure);
  return fromText(text);
}

const Catalogue& Catalogue::builtIn() {
  static const Catalogue catalogue = fromText(kBuiltInCatalogue);
  return catalogue;
}

const std::vector<CatalogueRow>& Catalogue::rows() const { return data_->rows; }

const CatalogueRow* Catalogue::find(int number) const { return findByNumber(data_->rows, number); }

SearchStatus runCatalogue(const Catalogue& catalogue, const std::vector<int>& numbers,
                          const SearchOptions& options, const CatalogueRunHooks& hooks) {
  std::vector<engine::CatalogueSearch> searches;
  for (int number : numbers) {
    const CatalogueRow* row = catalogue.find(number);
    if (row == nullptr)
      throw Error(Field::Program, std::to_string(number) + ": no such program in the catalogue");
    searches.push_back(engine::CatalogueSearch{number, row->model.data().search});
  }
  std::vector<const engine::CatalogueSearch*> chosen;
  for (const auto& search : searches) chosen.push_back(&search);

  engine::CatalogueRunHooks engineHooks;
  engineHooks.sync = hooks.sync;
  engineHooks.companionFor = [&hooks, &catalogue, &options](const engine::CatalogueRunResult& result,
                                                            const engine::ResultDigest& digest) {
    const auto started =
        std::chrono::system_clock::now() - std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                               std::chrono::duration<double>(result.seconds));
    return detail::manifestCompanion(catalogue.find(result.number)->model, options, digest,
                                     result.summary.searched, result.seconds, result.file, hooks.manifest,
                                     started);
  };
  engineHooks.fileFor = hooks.fileFor;
  engineHooks.progress = hooks.progress;
  engineHooks.finished = [&hooks, &catalogue](const engine::CatalogueRunResult& result) {
    if (!hooks.finished) return;
    CatalogueRunResult converted;
    converted.number = result.number;
    converted.file = result.file;
    converted.started = result.started;
    SearchSummary& summary = converted.summary;
    summary.status = detail::publicStatus(result.status);
    summary.error = result.error;
    summary.recordsPerPass = result.summary.recordsPerPass;
    summary.recordsPerPass.resize(catalogue.find(result.number)->model.multipliers().size(), 0);
    for (std::uint64_t r : summary.recordsPerPass) summary.records += r;
    summary.bytes = result.summary.bytes;
    summary.firstComposition = result.summary.searched.first;
    summary.endComposition = result.summary.searched.end;
    summary.sha256 = result.sha256;
    summary.seconds = result.seconds;
    hooks.finished(converted);
  };
  const engine::SearchStatus status = engine::runCatalogueSearches(
      chosen, detail::engineOptions(options, engine::RecordEncoding::Text), engineHooks);
  return detail::publicStatus(status);
}

}  // namespace kestrav
