#pragma once
// A model to search: the blocks of its determinant, the layout that forms
// entry tuples from compositions, the total every tuple sums to and the
// multiplier of each pass.
//
// A block is det(G - diag(x)) over some entries x of the tuple, for a Gram
// matrix G with 2 on its diagonal, written as a Gram code: the strict upper
// triangle row by row, rows separated by '/', one character per element
// ('2' '1' '0' '-' '=' for +2 +1 0 -1 -2). A tuple is a record when every
// block is exactly zero.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kestrav/export.hpp"
#include "kestrav/layout.hpp"

namespace kestrav {

inline constexpr int kMaxModelEntries = 16;
inline constexpr int kMaxModelBlocks = 4;

// One block: the entry positions it takes (1-based, in the order of its
// matrix's rows) and its Gram code.
struct Block {
  std::vector<int> positions;
  std::string gramCode;
};

// "1-4,7:111-/221/21/1" as a Block; throws Error(Field::Blocks).
KESTRAV_API Block parseBlock(std::string_view text);
// The same block written back, positions as ranges: "1-4,7:111-/221/21/1".
KESTRAV_API std::string formatBlock(const Block& block);

namespace detail {
struct ModelData;
struct Access;  // builds the handles from the library's data
}  // namespace detail

// A checked model; copies share its expanded blocks. Constructed only by
// the factories, which throw Error naming the field at fault.
class KESTRAV_API Model {
 public:
  // One block over entries 1..k (k = the code's groups + 1).
  static Model fromGram(std::string_view gramCode, Layout layout, int total,
                        std::vector<int> multipliers = {1});
  // Blocks that cover 1..k once.
  static Model fromBlocks(std::vector<Block> blocks, Layout layout, int total,
                          std::vector<int> multipliers = {1});

  int entryCount() const;         // k, pinned entries included
  int compositionLength() const;  // n = k - pinned entries
  Layout layout() const;
  int total() const;
  const std::vector<int>& multipliers() const;
  // The blocks as given; a model from a Gram code has one, over 1..k.
  const std::vector<Block>& blocks() const;
  bool fromGramCode() const;

  // The exact value of each block at one tuple of entryCount() entries, in
  // decimal (the values can exceed any fixed width). Throws
  // Error(Field::Entries) for a tuple of another length.
  std::vector<std::string> blockValues(std::span<const std::int64_t> entries) const;
  // Whether every block is zero at the tuple.
  bool vanishesAt(std::span<const std::int64_t> entries) const;

  const detail::ModelData& data() const { return *data_; }

 private:
  friend struct detail::Access;
  explicit Model(std::shared_ptr<const detail::ModelData> data) : data_(std::move(data)) {}
  std::shared_ptr<const detail::ModelData> data_;
};

}  // namespace kestrav
