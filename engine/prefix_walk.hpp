#pragma once
// The walk over the tree of composition prefixes for one pass. Each level
// substitutes one entry into the blocks that hold it (halving their tables);
// a block left with no free entry and a non-zero value rules out the whole
// subtree; the last L entries are handed to the bulk filter and every hit is
// re-checked exactly before its record is written.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/pass_model.hpp"
#include "engine/record_encoding.hpp"
#include "engine/record_format.hpp"
#include "engine/tail_filter.hpp"

namespace kestrav::engine {

template <class Word>
class PrefixWalker {
 public:
  PrefixWalker(const PassModel<Word>& pass, TailFilter filter,
               RecordEncoding encoding = RecordEncoding::Text);

  // Walks the compositions that start with prefix[0..prefixLength) (a valid
  // start: the remaining sum leaves at least one for every later entry) and
  // appends their records to out in enumeration order. Returns the records.
  std::uint64_t run(const std::uint16_t* prefix, int prefixLength, std::string& out);

  // Once out holds `bytes`, spill(out) is called; it may take the records
  // out, and returns the size of out at which to be called again.
  void setSpill(std::size_t bytes, std::function<std::size_t(std::string&)> spill);

 private:
  std::size_t at(int depth, std::size_t block) const {
    return static_cast<std::size_t>(depth) * blockCount_ + block;
  }
  bool substitute(int depth, Word entry);
  void walk(int depth, int remaining);
  void lastLevel(int remaining);
  void tail(int remaining);
  void narrowTail(std::size_t t, const Word* table);
  std::uint32_t findTailHits(int remaining);
  void emitHits(int remaining, std::uint32_t found);
  bool vanishesExactly(std::uint32_t tupleIndex) const;
  void emit(std::uint32_t tupleIndex);
  void emitEntries(std::uint32_t tupleIndex);

  const PassModel<Word>& pass_;
  TailFilter filter_;
  RecordEncoding encoding_;
  std::size_t blockCount_;
  int tailDepth_;
  // Per depth and block: the table in force, the free entries left, and
  // whether the entry at this depth belongs to the block.
  std::vector<std::vector<Word>> buffers_;
  std::vector<const Word*> tables_;
  std::vector<int> freeLeft_;
  std::vector<char> holds_;
  std::vector<std::uint16_t> prefixEntries_;
  // The tail: blocks with free entries there, each local mask's tail mask.
  std::vector<std::size_t> tailBlocks_;
  std::vector<std::vector<std::uint32_t>> tailMask_;
  std::vector<std::uint16_t> tailCoefficients_;
  // The level before the tail: per tail block holding its entry, the tail
  // coefficients without and with that entry, and the block's slot.
  std::vector<std::uint16_t> lastWithout_;
  std::vector<std::uint16_t> lastWith_;
  std::vector<std::size_t> lastSlots_;
  std::vector<std::uint32_t> hits_;
  TailFilterInput input_;
  std::vector<TailLines> linesBySum_;
  bool fastLastLevel_ = false;
  // The entries before the tail, formatted at the tail's first record.
  static_assert(RecordLine::kMaxEntries >= kMaxEntries);
  RecordLine line_;
  std::string* out_ = nullptr;
  std::size_t spillBytes_ = SIZE_MAX;
  std::size_t spillAt_ = SIZE_MAX;
  std::function<std::size_t(std::string&)> spill_;
  std::uint64_t records_ = 0;
};

extern template class PrefixWalker<std::uint32_t>;
extern template class PrefixWalker<std::uint64_t>;

}  // namespace kestrav::engine
