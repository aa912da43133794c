// `kestrav catalogue`: the catalogue's rows as a table, or single rows with
// the search arguments that reproduce their result files.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "kestrav/catalogue.hpp"
#include "kestrav/names.hpp"
#include "kestrav/verify.hpp"

namespace kestrav::cli {
namespace {

// A single block over entries 1..k is written as its Gram code, as the
// catalogue writes it; other models as their blocks.
bool isSingleCode(const Model& model) {
  if (model.blocks().size() != 1) return false;
  const std::vector<int>& positions = model.blocks()[0].positions;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    if (positions[i] != static_cast<int>(i) + 1) return false;
  }
  return true;
}

std::string modelText(const Model& model) {
  if (isSingleCode(model)) return model.blocks()[0].gramCode;
  std::string text;
  for (const Block& block : model.blocks()) {
    if (!text.empty()) text += ' ';
    text += formatBlock(block);
  }
  return text;
}

std::string listed(const std::vector<int>& values, const char* separator) {
  std::string text;
  for (int value : values) {
    if (!text.empty()) text += separator;
    text += std::to_string(value);
  }
  return text;
}

// The arguments of `kestrav search` that give the row's model: a Gram code
// and blocks are words the shell leaves alone, blocks quoted as one word.
std::string searchArguments(const Model& model) {
  // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "x" + ...
  const bool single = isSingleCode(model);
  std::string text = single ? "--gram " : "--blocks \"";
  text += modelText(model);
  if (!single) text += '"';
  text += " --layout ";
  text += layoutName(model.layout());
  text += " --total ";
  text += std::to_string(model.total());
  if (model.multipliers() != std::vector<int>{1}) {
    text += " --multipliers ";
    text += listed(model.multipliers(), ",");
  }
  return text;
}

// "1373 (m=1: 1207, m=2: 160, m=5: 6)"; empty when the tables lack the row.
std::string recordsText(const Model& model, const std::vector<std::uint64_t>& perPass) {
  if (perPass.size() != model.multipliers().size()) return {};
  std::uint64_t total = 0;
  std::string each;
  for (std::size_t p = 0; p < perPass.size(); ++p) {
    total += perPass[p];
    each += p > 0 ? ", m=" : "m=";
    each += std::to_string(model.multipliers()[p]);
    each += ": ";
    each += std::to_string(perPass[p]);
  }
  std::string text = std::to_string(total);
  if (perPass.size() > 1) {
    text += " (";
    text += each;
    text += ')';
  }
  return text;
}

void printTable(const Catalogue& catalogue, const CheckTables* checks) {
  std::size_t modelWidth = 5;
  for (const CatalogueRow& row : catalogue.rows())
    modelWidth = std::max(modelWidth, modelText(row.model).size());
  const int width = static_cast<int>(modelWidth);
  std::printf("%3s  %-8s  %-8s  %2s  %-*s  %s\n", "N", "family", "layout", "k", width, "model",
              checks != nullptr ? "records per pass" : "multipliers");
  for (const CatalogueRow& row : catalogue.rows()) {
    std::string last = listed(row.model.multipliers(), ",");
    if (checks != nullptr) {
      last.clear();
      for (std::uint64_t records : checks->recordsPerPass(row.number)) {
        if (!last.empty()) last += ' ';
        last += std::to_string(records);
      }
    }
    std::printf("%3d  %-8s  %-8s  %2d  %-*s  %s\n", row.number, familyName(row.family),
                layoutName(row.model.layout()), row.model.entryCount(), width, modelText(row.model).c_str(),
                last.c_str());
  }
}

void printRow(const CatalogueRow& row, const CheckTables* checks) {
  const Model& model = row.model;
  std::printf("row %d: %s, %s, layout %s, %d entries (compositions of %d into %d parts)\n", row.number,
              programName(row.number).c_str(), familyName(row.family), layoutName(model.layout()),
              model.entryCount(), model.total(), model.compositionLength());
  std::printf("model: %s\n", modelText(model).c_str());
  const std::string records = checks != nullptr ? recordsText(model, checks->recordsPerPass(row.number)) : "";
  if (!records.empty())
    std::printf("records: %s in %s\n", records.c_str(), resultFileName(row.number).c_str());
  std::printf("search: kestrav search %s\n", searchArguments(model).c_str());
}

}  // namespace

int catalogueCommand(const std::vector<std::string>& args, const std::string& program) {
  Arguments parsed;
  std::string error;
  if (!parseArguments(kCatalogue, args, parsed, error)) return refuse(program, error);
  std::optional<Catalogue> fromFile;
  if (!parsed.catalogueFile.empty()) fromFile = Catalogue::fromFile(parsed.catalogueFile);
  const Catalogue& catalogue = fromFile ? *fromFile : Catalogue::builtIn();
  // The check tables count the records of the built-in rows only.
  const CheckTables* checks = fromFile ? nullptr : &CheckTables::builtIn();
  for (int number : parsed.programs) {
    if (catalogue.find(number) == nullptr)
      return refuse(program, std::to_string(number) + ": no such row in the catalogue");
  }
  if (parsed.programs.empty()) {
    printTable(catalogue, checks);
    return 0;
  }
  for (std::size_t i = 0; i < parsed.programs.size(); ++i) {
    if (i > 0) std::printf("\n");
    printRow(*catalogue.find(parsed.programs[i]), checks);
  }
  return 0;
}

}  // namespace kestrav::cli
