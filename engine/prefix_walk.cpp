#include "engine/prefix_walk.hpp"

#include <algorithm>

#include "engine/record_format.hpp"

namespace kestrav::engine {

template <class Word>
PrefixWalker<Word>::PrefixWalker(const PassModel<Word>& pass, TailFilter filter, RecordEncoding encoding)
    : pass_(pass),
      filter_(filter),
      encoding_(encoding),
      blockCount_(pass.blocks.size()),
      tailDepth_(pass.length - pass.tailLength) {
  const int depths = pass.length + 1;
  buffers_.resize(static_cast<std::size_t>(depths) * blockCount_);
  tables_.assign(buffers_.size(), nullptr);
  freeLeft_.assign(buffers_.size(), 0);
  holds_.assign(buffers_.size(), 0);
  for (std::size_t b = 0; b < blockCount_; ++b) {
    const auto& positions = pass.blocks[b].positions;
    for (int d = 0; d < depths; ++d) {
      const auto left = std::count_if(positions.begin(), positions.end(), [d](int p) { return p >= d; });
      freeLeft_[at(d, b)] = static_cast<int>(left);
      holds_[at(d, b)] = std::find(positions.begin(), positions.end(), d) != positions.end();
      if (d > 0) buffers_[at(d, b)].resize(std::size_t{1} << left);
    }
    tables_[at(0, b)] = pass.blocks[b].table.data();
    if (freeLeft_[at(tailDepth_, b)] > 0) {
      tailBlocks_.push_back(b);
      const int freeInTail = freeLeft_[at(tailDepth_, b)];
      std::vector<std::uint32_t> masks(std::size_t{1} << freeInTail);
      const auto firstTail = positions.end() - freeInTail;
      for (std::size_t local = 0; local < masks.size(); ++local) {
        std::uint32_t mask = 0;
        for (int j = 0; j < freeInTail; ++j) {
          if (local >> j & 1) mask |= 1u << (firstTail[j] - tailDepth_);
        }
        masks[local] = mask;
      }
      tailMask_.push_back(std::move(masks));
    }
  }
  prefixEntries_.assign(static_cast<std::size_t>(pass.length), 0);
  tailCoefficients_.assign(tailBlocks_.size() << pass.tailLength, 0);
  lastWithout_.assign(tailCoefficients_.size(), 0);
  lastWith_.assign(tailCoefficients_.size(), 0);
  lastSlots_.assign(tailBlocks_.size(), 0);
  std::uint32_t largest = 0;
  for (std::uint32_t c : pass.tailTable->count) largest = std::max(largest, c);
  hits_.assign(largest + kFilterPadding, 0);
  input_.tailLength = pass.tailLength;
  input_.blockCount = static_cast<int>(tailBlocks_.size());
  input_.coefficients = tailCoefficients_.data();
  if (pass.tailLength >= 2) {
    for (int r = 0; r <= pass.tailTable->largestSum; ++r) {
      linesBySum_.push_back(r >= pass.tailLength ? pass.tailTable->linesOf(r) : TailLines{});
    }
  }
  // The level before the tail runs in one loop when every block that holds
  // its entry is a tail block: no other block can then rule a value out.
  if (tailDepth_ >= 1) {
    fastLastLevel_ = true;
    for (std::size_t b = 0; b < blockCount_; ++b) {
      const bool tailBlock = std::find(tailBlocks_.begin(), tailBlocks_.end(), b) != tailBlocks_.end();
      if (holds_[at(tailDepth_ - 1, b)] && !tailBlock) fastLastLevel_ = false;
    }
  }
}

template <class Word>
bool PrefixWalker<Word>::substitute(int depth, Word entry) {
  for (std::size_t b = 0; b < blockCount_; ++b) {
    const std::size_t here = at(depth, b);
    const std::size_t next = at(depth + 1, b);
    if (!holds_[here]) {
      tables_[next] = tables_[here];
      continue;
    }
    const Word* in = tables_[here];
    Word* folded = buffers_[next].data();
    const std::size_t half = std::size_t{1} << (freeLeft_[here] - 1);
    for (std::size_t s = 0; s < half; ++s) folded[s] = static_cast<Word>(in[2 * s] + entry * in[2 * s + 1]);
    tables_[next] = folded;
    if (freeLeft_[next] == 0 && folded[0] != 0) return false;
  }
  return true;
}

template <class Word>
void PrefixWalker<Word>::setSpill(std::size_t bytes, std::function<std::size_t(std::string&)> spill) {
  spillBytes_ = bytes;
  spill_ = std::move(spill);
}

template <class Word>
std::uint64_t PrefixWalker<Word>::run(const std::uint16_t* prefix, int prefixLength, std::string& out) {
  out_ = &out;
  records_ = 0;
  spillAt_ = spillBytes_;
  int remaining = pass_.sum;
  for (int d = 0; d < prefixLength; ++d) {
    const auto entry = static_cast<std::uint16_t>(pass_.multiplier * prefix[d]);
    prefixEntries_[static_cast<std::size_t>(d)] = entry;
    remaining -= prefix[d];
    if (!substitute(d, entry)) return 0;
  }
  walk(prefixLength, remaining);
  return records_;
}

template <class Word>
void PrefixWalker<Word>::walk(int depth, int remaining) {
  if (depth == tailDepth_) {
    tail(remaining);
    return;
  }
  if (depth == tailDepth_ - 1 && fastLastLevel_) {
    lastLevel(remaining);
    return;
  }
  const int later = pass_.length - depth - 1;
  for (int c = remaining - later; c >= 1; --c) {
    const auto entry = static_cast<std::uint16_t>(pass_.multiplier * c);
    prefixEntries_[static_cast<std::size_t>(depth)] = entry;
    if (substitute(depth, entry)) walk(depth + 1, remaining - c);
  }
}

// Tail coefficient slots a block never fills stay 0 from the start.
template <class Word>
void PrefixWalker<Word>::narrowTail(std::size_t t, const Word* table) {
  std::uint16_t* slots = tailCoefficients_.data() + (t << pass_.tailLength);
  const auto& masks = tailMask_[t];
  for (std::size_t local = 0; local < masks.size(); ++local) {
    slots[masks[local]] = static_cast<std::uint16_t>(table[local]);
  }
}

template <class Word>
void PrefixWalker<Word>::tail(int remaining) {
  for (std::size_t t = 0; t < tailBlocks_.size(); ++t) narrowTail(t, tables_[at(tailDepth_, tailBlocks_[t])]);
  emitHits(remaining, findTailHits(remaining));
}

// The entry before the tail: its substitution goes straight into the 16-bit
// tail coefficients, and the full-width tables are formed only for a tail
// with hits, which need them for the exact check. The tables' even and odd
// halves (without and with the entry) are narrowed to 16 bits once, so that
// each value of the entry costs 2^L 16-bit multiply-adds per block, which
// the compiler vectorises.
template <class Word>
void PrefixWalker<Word>::lastLevel(int remaining) {
  const int depth = tailDepth_ - 1;
  const std::size_t terms = std::size_t{1} << pass_.tailLength;
  std::size_t folding = 0;
  for (std::size_t t = 0; t < tailBlocks_.size(); ++t) {
    const std::size_t b = tailBlocks_[t];
    const Word* table = tables_[at(depth, b)];
    if (!holds_[at(depth, b)]) {
      narrowTail(t, table);
      continue;
    }
    // Spread over the tail slots, so that the fold below is one straight
    // loop over all of them (unfilled slots stay 0 in both halves).
    std::uint16_t* without = lastWithout_.data() + folding * terms;
    std::uint16_t* with = lastWith_.data() + folding * terms;
    const auto& masks = tailMask_[t];
    for (std::size_t local = 0; local < masks.size(); ++local) {
      without[masks[local]] = static_cast<std::uint16_t>(table[2 * local]);
      with[masks[local]] = static_cast<std::uint16_t>(table[2 * local + 1]);
    }
    lastSlots_[folding++] = t;
  }
  for (int c = remaining - pass_.tailLength; c >= 1; --c) {
    const auto entry = static_cast<std::uint16_t>(pass_.multiplier * c);
    prefixEntries_[static_cast<std::size_t>(depth)] = entry;
    for (std::size_t f = 0; f < folding; ++f) {
      std::uint16_t* slots = tailCoefficients_.data() + lastSlots_[f] * terms;
      const std::uint16_t* without = lastWithout_.data() + f * terms;
      const std::uint16_t* with = lastWith_.data() + f * terms;
      for (std::size_t s = 0; s < terms; ++s)
        slots[s] = static_cast<std::uint16_t>(without[s] + entry * with[s]);
    }
    const std::uint32_t found = findTailHits(remaining - c);
    if (found == 0) continue;
    substitute(depth, entry);
    emitHits(remaining - c, found);
  }
}

template <class Word>
std::uint32_t PrefixWalker<Word>::findTailHits(int remaining) {
  const auto sum = static_cast<std::size_t>(remaining);
  const std::uint32_t offset = pass_.tailTable->offset[sum];
  for (int l = 0; l < pass_.tailLength; ++l) input_.entries[l] = pass_.tailTable->entries[l].data() + offset;
  input_.count = pass_.tailTable->count[sum];
  if (pass_.tailLength >= 2) input_.lines = &linesBySum_[sum];
  const std::uint32_t found = filter_(input_, hits_.data());
  // Lines report their hits line by line; records go out in tuple order.
  if (!std::is_sorted(hits_.data(), hits_.data() + found)) std::sort(hits_.data(), hits_.data() + found);
  return found;
}

template <class Word>
void PrefixWalker<Word>::emitHits(int remaining, std::uint32_t found) {
  line_.clear();
  const std::uint32_t offset = pass_.tailTable->offset[static_cast<std::size_t>(remaining)];
  for (std::uint32_t h = 0; h < found; ++h) {
    const std::uint32_t tuple = offset + hits_[h];
    if (vanishesExactly(tuple)) emit(tuple);
  }
}

template <class Word>
bool PrefixWalker<Word>::vanishesExactly(std::uint32_t tupleIndex) const {
  for (std::size_t t = 0; t < tailBlocks_.size(); ++t) {
    const std::size_t b = tailBlocks_[t];
    const int freeInTail = freeLeft_[at(tailDepth_, b)];
    const auto& positions = pass_.blocks[b].positions;
    Word folded[1 << kMaxTailLength];
    const Word* table = tables_[at(tailDepth_, b)];
    std::size_t size = std::size_t{1} << freeInTail;
    std::copy(table, table + size, folded);
    for (int j = 0; j < freeInTail; ++j) {
      const int tailEntry =
          positions[positions.size() - static_cast<std::size_t>(freeInTail - j)] - tailDepth_;
      const Word entry = pass_.tailTable->entries[tailEntry][tupleIndex];
      size /= 2;
      for (std::size_t s = 0; s < size; ++s)
        folded[s] = static_cast<Word>(folded[2 * s] + entry * folded[2 * s + 1]);
    }
    if (folded[0] != 0) return false;
  }
  return true;
}

template <class Word>
void PrefixWalker<Word>::emit(std::uint32_t tupleIndex) {
  if (encoding_ != RecordEncoding::Text) {
    if (encoding_ == RecordEncoding::Entries) emitEntries(tupleIndex);
    ++records_;
    if (out_->size() >= spillAt_) spillAt_ = spill_(*out_);
    return;
  }
  if (!line_.started()) {
    line_.start();
    if (pinsHead(pass_.layout)) line_.add(static_cast<std::uint32_t>(pass_.multiplier));
    for (int d = 0; d < tailDepth_; ++d) line_.add(prefixEntries_[static_cast<std::size_t>(d)]);
  }
  const auto multiplier = static_cast<std::uint32_t>(pass_.multiplier);
  line_.record(
      *out_, pass_.tailLength, [&](int l) { return pass_.tailTable->entries[l][tupleIndex]; },
      pinsTail(pass_.layout) ? &multiplier : nullptr);
  ++records_;
  if (out_->size() >= spillAt_) spillAt_ = spill_(*out_);
}

// The record as k int32 values, in the native byte order of the reader.
template <class Word>
void PrefixWalker<Word>::emitEntries(std::uint32_t tupleIndex) {
  std::int32_t record[RecordLine::kMaxEntries];
  int k = 0;
  if (pinsHead(pass_.layout)) record[k++] = pass_.multiplier;
  for (int d = 0; d < tailDepth_; ++d) record[k++] = prefixEntries_[static_cast<std::size_t>(d)];
  for (int l = 0; l < pass_.tailLength; ++l)
    record[k++] = static_cast<std::int32_t>(pass_.tailTable->entries[l][tupleIndex]);
  if (pinsTail(pass_.layout)) record[k++] = pass_.multiplier;
  out_->append(reinterpret_cast<const char*>(record), static_cast<std::size_t>(k) * sizeof record[0]);
}

template class PrefixWalker<std::uint32_t>;
template class PrefixWalker<std::uint64_t>;

}  // namespace kestrav::engine
