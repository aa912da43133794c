#pragma once
// The filter loop shared by every instruction set, written against a small
// set of lane operations (Ops). Included only by the per-set translation
// units, inside an anonymous namespace there, so that no code compiled for
// one instruction set is ever shared with another through the linker. For
// the same reason it uses no standard library functions.

// Ops provides: Vec; kLanes; kBitsPerLane (bits of the zero mask per lane);
// load(const uint16_t*), broadcast(uint16_t), add, multiply (low 16 bits),
// zeroMask(Vec) -> uint32_t, validMask(remaining lanes) -> uint32_t.
template <class Ops, int L>
std::uint32_t filterTail(const kestrav::engine::TailFilterInput& in, std::uint32_t* hits) {
  using Vec = typename Ops::Vec;
  constexpr int kTerms = 1 << L;
  const int blocks = in.blockCount;
  Vec coefficient[kestrav::engine::kMaxFilterBlocks][kTerms];
  for (int b = 0; b < blocks; ++b) {
    for (int s = 0; s < kTerms; ++s) coefficient[b][s] = Ops::broadcast(in.coefficients[b * kTerms + s]);
  }
  std::uint32_t found = 0;
  for (std::uint32_t base = 0; base < in.count; base += Ops::kLanes) {
    Vec y[L];
    for (int l = 0; l < L; ++l) y[l] = Ops::load(in.entries[l] + base);
    std::uint32_t mask = Ops::validMask(in.count - base);
    for (int b = 0; b < blocks && mask != 0; ++b) {
      // Multilinear Horner: fold out tail entry 0, then 1, ...
      Vec level[kTerms / 2];
      for (int s = 0; s < kTerms / 2; ++s) {
        level[s] = Ops::add(coefficient[b][2 * s], Ops::multiply(coefficient[b][2 * s + 1], y[0]));
      }
      for (int l = 1; l < L; ++l) {
        for (int s = 0; s < (kTerms >> (l + 1)); ++s) {
          level[s] = Ops::add(level[2 * s], Ops::multiply(level[2 * s + 1], y[l]));
        }
      }
      mask &= Ops::zeroMask(level[0]);
    }
    if (Ops::kBitsPerLane == 2) mask &= 0x55555555u;
    while (mask != 0) {
      hits[found++] = base + static_cast<std::uint32_t>(__builtin_ctz(mask)) / Ops::kBitsPerLane;
      mask &= mask - 1;
    }
  }
  return found;
}

template <class Ops>
std::uint32_t filterAnyLength(const kestrav::engine::TailFilterInput& in, std::uint32_t* hits) {
  switch (in.tailLength) {
    case 1:
      return filterTail<Ops, 1>(in, hits);
    case 2:
      return filterTail<Ops, 2>(in, hits);
    case 3:
      return filterTail<Ops, 3>(in, hits);
    default:
      return filterTail<Ops, 4>(in, hits);
  }
}
