#pragma once
// The catalogue: one VariantSpec row per program, read from
// models/catalogue.txt, and the checks that every row must pass.

#include <algorithm>
#include <cstdint>
#include <istream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/layout.hpp"
#include "models/block_polynomial.hpp"
#include "models/block_positions.hpp"
#include "models/gram_code.hpp"

namespace kestrav {

enum class ModelForm { SingleBlock, TwoBlock };

// One block as a catalogue row writes it: the entries it takes and the code
// of its Gram matrix.
struct BlockCode {
  std::vector<int> positions;  // entry positions, 1-based, in the block's row order
  std::string gramCode;
  int expectedTerms = 0;
};

// One catalogue row: a program's family, layout, sizes and model blocks.
struct VariantSpec {
  int number = 0;
  Family family = Family::Scaled;
  Layout layout = Layout::Bare;
  int entryCount = 0;         // k
  int compositionLength = 0;  // n
  ModelForm form = ModelForm::SingleBlock;
  std::vector<BlockCode> blocks;
};

// A block decoded and expanded, ready for evaluation or code generation.
struct ExpandedBlock {
  std::vector<int> positions;
  GramMatrix gram;
  BlockPolynomial polynomial;
};

// Parses one catalogue line (no comment). Returns false and says why.
bool parseCatalogueRow(const std::string& line, VariantSpec& row, std::string& error);

// Checks a parsed row and expands its blocks: consistent family, layout, k
// and n; blocks that cover 1..k once; well-formed codes; the term counts; the
// invariants of catalogue matrices. Returns false and says why.
bool expandCatalogueRow(const VariantSpec& row, std::vector<ExpandedBlock>& blocks, std::string& error);

// The element of a list of rows (or of anything that carries a program
// `number`) with that number, or null.
template <class Rows>
auto findByNumber(Rows& rows, int number) -> decltype(&*std::begin(rows)) {
  for (auto& row : rows) {
    if (row.number == number) return &row;
  }
  return nullptr;
}

// The text of models/catalogue.txt, built in at configure time so that the
// tools and the library run without the source tree.
extern const char* const kBuiltInCatalogue;

// Reads every row; an error names the line and the row's number.
bool readCatalogue(std::istream& input, std::vector<VariantSpec>& rows, std::string& error);

// Entry positions as a comma list of positions and ranges, "1-4,7" for
// 1 2 3 4 7; each between 1 and kMaxEntryPosition.
inline constexpr int kMaxEntryPosition = 32;
bool parseEntryPositions(std::string_view text, std::vector<int>& positions);

// The same list written back, runs of consecutive positions as ranges.
std::string formatEntryPositions(const std::vector<int>& positions);

}  // namespace kestrav
