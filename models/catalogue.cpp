#include "models/catalogue.hpp"

#include <algorithm>
#include <sstream>

#include "core/quoted_text.hpp"
#include "core/run_constants.hpp"
#include "core/text_fields.hpp"

namespace kestrav {
namespace {

// Every catalogue coefficient lies within +-6; a row outside is mistyped.
constexpr std::int64_t kMaxCoefficient = 6;

bool parsePosition(std::string_view text, int& value) {
  return readWholeNumber(text, 1, kMaxEntryPosition, value) == WholeNumber::Read;
}

bool parseTermCounts(const std::string& text, std::vector<int>& counts) {
  counts.clear();
  for (const std::string_view count : splitAt(text, '+')) {
    int value = 0;
    if (!parseWholeNumber(count, value)) return false;
    counts.push_back(value);
  }
  return true;
}

}  // namespace

bool parseEntryPositions(std::string_view text, std::vector<int>& positions) {
  positions.clear();
  // An empty item, a trailing comma's too, is no position.
  for (const std::string_view item : splitAt(text, ',')) {
    const std::vector<std::string_view> ends = splitAt(item, '-');
    int first = 0;
    int last = 0;
    if (ends.size() > 2 || !parsePosition(ends.front(), first) || !parsePosition(ends.back(), last) ||
        last < first) {
      return false;
    }
    for (int p = first; p <= last; ++p) positions.push_back(p);
  }
  return true;
}

std::string formatEntryPositions(const std::vector<int>& positions) {
  std::string text;
  for (std::size_t i = 0; i < positions.size();) {
    std::size_t j = i;
    while (j + 1 < positions.size() && positions[j + 1] == positions[j] + 1) ++j;
    if (!text.empty()) text += ',';
    text += std::to_string(positions[i]);
    if (j > i) {
      text += '-';
      text += std::to_string(positions[j]);
    }
    i = j + 1;
  }
  return text;
}

bool parseCatalogueRow(const std::string& line, VariantSpec& row, std::string& error) {
  std::istringstream words(line);
  std::vector<std::string> fields;
  for (std::string word; words >> word;) fields.push_back(word);
  if (fields.size() < 8) {
    error = "expected 8 or 9 fields (N family layout k n form model terms), found " +
            std::to_string(fields.size());
    return false;
  }
  row = VariantSpec{};
  if (!parseWholeNumber(fields[0], row.number) || row.number < 1) {
    error = "bad program number " + quoteForMessage(fields[0]);
    return false;
  }
  if (!parseFamily(fields[1], row.family)) {
    error = "bad family " + quoteForMessage(fields[1]) + " (scaled or unscaled)";
    return false;
  }
  if (!parseLayout(fields[2], row.layout)) {
    error = "bad layout " + quoteForMessage(fields[2]) + " (BothEnds, HeadOnly, TailOnly or Bare)";
    return false;
  }
  if (!parseWholeNumber(fields[3], row.entryCount) || !parseWholeNumber(fields[4], row.compositionLength)) {
    error = "bad entry count or composition length";
    return false;
  }
  std::vector<int> terms;
  if (!parseTermCounts(fields.back(), terms)) {
    error = "bad term count " + quoteForMessage(fields.back());
    return false;
  }
  if (fields[5] == "single") {
    if (fields.size() != 8 || terms.size() != 1) {
      error = "a single-block row has one Gram code and one term count";
      return false;
    }
    row.form = ModelForm::SingleBlock;
    BlockCode block{{}, fields[6], terms[0]};
    for (int p = 1; p <= row.entryCount; ++p) block.positions.push_back(p);
    row.blocks.push_back(block);
  } else if (fields[5] == "two") {
    if (fields.size() != 9 || terms.size() != 2) {
      error = "a two-block row has two blocks POSITIONS:CODE and two term counts a+b";
      return false;
    }
    row.form = ModelForm::TwoBlock;
    for (int b = 0; b < 2; ++b) {
      const std::string& text = fields[6 + static_cast<std::size_t>(b)];
      const std::size_t colon = text.find(':');
      BlockCode block;
      if (colon == std::string::npos ||
          !parseEntryPositions(std::string_view(text).substr(0, colon), block.positions)) {
        error = "bad block " + quoteForMessage(text) + " (expected POSITIONS:CODE, e.g. 1-4,7:111-/221/21/1)";
        return false;
      }
      block.gramCode = text.substr(colon + 1);
      block.expectedTerms = terms[static_cast<std::size_t>(b)];
      row.blocks.push_back(block);
    }
  } else {
    error = "bad form " + quoteForMessage(fields[5]) + " (single or two)";
    return false;
  }
  return true;
}

bool expandCatalogueRow(const VariantSpec& row, std::vector<ExpandedBlock>& blocks, std::string& error) {
  if ((row.family == Family::Unscaled) != (row.layout == Layout::Bare)) {
    error = std::string("layout ") + layoutName(row.layout) + " does not belong to the " +
            familyName(row.family) + " family";
    return false;
  }
  const int removed = kFullEntryCount - row.entryCount;
  if (removed < 0 || removed > 4) {
    error = "entry count " + std::to_string(row.entryCount) + " is outside 6..10";
    return false;
  }
  if (row.compositionLength != compositionLength(row.entryCount, row.layout)) {
    error = "composition length " + std::to_string(row.compositionLength) + " should be " +
            std::to_string(compositionLength(row.entryCount, row.layout)) +
            " for k = " + std::to_string(row.entryCount) + " and layout " + layoutName(row.layout);
    return false;
  }
  if (!blocksCoverOnce(row.blocks, row.entryCount)) {
    error =
        "the blocks' positions do not cover entries 1.." + std::to_string(row.entryCount) + " exactly once";
    return false;
  }
  const bool twoBlock = row.form == ModelForm::TwoBlock;
  blocks.clear();
  for (std::size_t b = 0; b < row.blocks.size(); ++b) {
    const BlockCode& blockCode = row.blocks[b];
    const std::string which = twoBlock ? "block " + std::to_string(b + 1) + ": " : "";
    ExpandedBlock block;
    block.positions = blockCode.positions;
    if (!decodeGramCode(blockCode.gramCode, static_cast<int>(blockCode.positions.size()), block.gram,
                        error)) {
      error = which + error;
      return false;
    }
    // Single-block matrices have rank 3 or 4, each block of a two-block model 1 or 2.
    if (!checkBlockInvariants(block.gram, twoBlock ? 1 : 3, twoBlock ? 2 : 4, kMaxCoefficient, error)) {
      error = which + error;
      return false;
    }
    block.polynomial = expandBlock(block.gram);
    const int terms = termCount(block.polynomial);
    if (terms != blockCode.expectedTerms) {
      error = which + "the model has " + std::to_string(terms) + " terms, the row says " +
              std::to_string(blockCode.expectedTerms);
      return false;
    }
    blocks.push_back(std::move(block));
  }
  return true;
}

bool readCatalogue(std::istream& input, std::vector<VariantSpec>& rows, std::string& error) {
  rows.clear();
  std::string line;
  for (int lineNumber = 1; std::getline(input, line); ++lineNumber) {
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    VariantSpec row;
    if (!parseCatalogueRow(line, row, error)) {
      std::istringstream first(line);
      std::string number;
      first >> number;
      error = "line " + std::to_string(lineNumber) + " (row " + shownName(number) + "): " + error;
      return false;
    }
    for (const VariantSpec& earlier : rows) {
      if (earlier.number == row.number) {
        error = "line " + std::to_string(lineNumber) + " (row " + std::to_string(row.number) +
                "): program number used twice";
        return false;
      }
    }
    rows.push_back(row);
  }
  return true;
}

}  // namespace kestrav
