#pragma once
// The filter loop shared by every instruction set, written against a small
// set of lane operations (Ops). Included only by the per-set translation
// units, inside an anonymous namespace there, so that no code compiled for
// one instruction set is ever shared with another through the linker. For
// the same reason it uses no standard library functions.

// Ops provides: Vec; kLanes; kBitsPerLane (bits of the zero mask per lane);
// load(const uint16_t*), broadcast(uint16_t), add, subtract, multiply (low
// 16 bits), zeroMask(Vec) -> uint32_t, greaterMask(a, b) -> uint32_t (signed
// a > b per lane), validMask(remaining lanes) -> uint32_t.
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

// The same filter over lines, one line per lane. Per line the first L - 2
// tail entries are folded into the coefficients, which leaves
//   Q = B0 + B1 u + B2 v + B3 u v,  u = start - m t,  v = m + m t
// at step t: a quadratic in t, so Q(t+1) = Q(t) + D(t) and
// D(t+1) = D(t) + E with
//   Q(0) = B0 + B1 u0 + (B2 + B3 u0) m,
//   D(0) = m (B2 - B1 + B3 (u0 - 2m)),  E = -2 m^2 B3.
// Every step is ring arithmetic, so Q(t) is the value modulo 2^16 exactly.
// Appends the hits of step t: the lanes of mask whose line is still running.
template <class Ops>
std::uint32_t appendLineHits(const kestrav::engine::TailLines& lines, std::uint32_t base, int t,
                             std::uint32_t mask, std::uint32_t* hits, std::uint32_t found) {
  mask &= Ops::greaterMask(Ops::load(lines.length + base), Ops::broadcast(static_cast<std::uint16_t>(t)));
  if (Ops::kBitsPerLane == 2) mask &= 0x55555555u;
  while (mask != 0) {
    const std::uint32_t lane = static_cast<std::uint32_t>(__builtin_ctz(mask)) / Ops::kBitsPerLane;
    hits[found++] = lines.firstTuple[base + lane] + static_cast<std::uint32_t>(t);
    mask &= mask - 1;
  }
  return found;
}

// B blocks, known at compile time so that the step loop holds only the
// block's additions and tests.
template <class Ops, int L, int B>
std::uint32_t filterLinesOf(const kestrav::engine::TailFilterInput& in, std::uint32_t* hits) {
  using Vec = typename Ops::Vec;
  constexpr int kTerms = 1 << L;
  constexpr int kFolded = L - 2;
  const kestrav::engine::TailLines& lines = *in.lines;
  const std::uint16_t m16 = lines.multiplier;
  const Vec m = Ops::broadcast(m16);
  const Vec twoM = Ops::broadcast(static_cast<std::uint16_t>(2 * m16));
  const Vec minusTwoMSquared = Ops::broadcast(static_cast<std::uint16_t>(0u - 2u * m16 * m16));
  Vec coefficient[B][kTerms];
  for (int b = 0; b < B; ++b) {
    for (int s = 0; s < kTerms; ++s) coefficient[b][s] = Ops::broadcast(in.coefficients[b * kTerms + s]);
  }
  std::uint32_t found = 0;
  for (std::uint32_t base = 0; base < lines.count; base += Ops::kLanes) {
    Vec y[kFolded > 0 ? kFolded : 1];
    for (int l = 0; l < kFolded; ++l) y[l] = Ops::load(lines.folded[l] + base);
    const Vec u0 = Ops::load(lines.start + base);
    Vec q[B], d[B], e[B];
    for (int b = 0; b < B; ++b) {
      Vec level[kTerms];
      for (int s = 0; s < kTerms; ++s) level[s] = coefficient[b][s];
      for (int l = 0; l < kFolded; ++l) {
        for (int s = 0; s < (kTerms >> (l + 1)); ++s) {
          level[s] = Ops::add(level[2 * s], Ops::multiply(level[2 * s + 1], y[l]));
        }
      }
      // level[0..3] = B0, B1 (u), B2 (v), B3 (u v).
      const Vec b2PlusB3u = Ops::add(level[2], Ops::multiply(level[3], u0));
      q[b] = Ops::add(Ops::add(level[0], Ops::multiply(level[1], u0)), Ops::multiply(b2PlusB3u, m));
      const Vec slope =
          Ops::add(Ops::subtract(level[2], level[1]), Ops::multiply(level[3], Ops::subtract(u0, twoM)));
      d[b] = Ops::multiply(slope, m);
      e[b] = Ops::multiply(level[3], minusTwoMSquared);
    }
    // Two steps at a time; a step past the longest line finds no running lane.
    const int steps = lines.length[base];  // the longest line of this vector
    for (int t = 0; t < steps; t += 2) {
      std::uint32_t first = Ops::zeroMask(q[0]);
      for (int b = 1; b < B; ++b) first &= Ops::zeroMask(q[b]);
      for (int b = 0; b < B; ++b) {
        q[b] = Ops::add(q[b], d[b]);
        d[b] = Ops::add(d[b], e[b]);
      }
      std::uint32_t second = Ops::zeroMask(q[0]);
      for (int b = 1; b < B; ++b) second &= Ops::zeroMask(q[b]);
      for (int b = 0; b < B; ++b) {
        q[b] = Ops::add(q[b], d[b]);
        d[b] = Ops::add(d[b], e[b]);
      }
      if ((first | second) == 0) continue;
      if (first != 0) found = appendLineHits<Ops>(lines, base, t, first, hits, found);
      if (second != 0) found = appendLineHits<Ops>(lines, base, t + 1, second, hits, found);
    }
  }
  return found;
}

template <class Ops, int L>
std::uint32_t filterLines(const kestrav::engine::TailFilterInput& in, std::uint32_t* hits) {
  switch (in.blockCount) {
    case 0:
      for (std::uint32_t i = 0; i < in.count; ++i) hits[i] = i;
      return in.count;
    case 1:
      return filterLinesOf<Ops, L, 1>(in, hits);
    case 2:
      return filterLinesOf<Ops, L, 2>(in, hits);
    case 3:
      return filterLinesOf<Ops, L, 3>(in, hits);
    default:
      return filterLinesOf<Ops, L, 4>(in, hits);
  }
}

template <class Ops>
std::uint32_t filterAnyLength(const kestrav::engine::TailFilterInput& in, std::uint32_t* hits) {
  if (in.lines != nullptr) {
    switch (in.tailLength) {
      case 2:
        return filterLines<Ops, 2>(in, hits);
      case 3:
        return filterLines<Ops, 3>(in, hits);
      case 4:
        return filterLines<Ops, 4>(in, hits);
      default:
        break;
    }
  }
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
