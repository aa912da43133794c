// Thirty-two 16-bit lanes (AVX-512BW); compiled with -mavx512f -mavx512bw.
#include <immintrin.h>

#include <cstdint>

#include "engine/tail_filter.hpp"

namespace {

struct Avx512Ops {
  using Vec = __m512i;
  static constexpr int kLanes = 32;
  static constexpr int kBitsPerLane = 1;
  static Vec load(const std::uint16_t* p) { return _mm512_loadu_si512(p); }
  static Vec broadcast(std::uint16_t v) { return _mm512_set1_epi16(static_cast<short>(v)); }
  static Vec add(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
  static Vec multiply(Vec a, Vec b) { return _mm512_mullo_epi16(a, b); }
  static Vec subtract(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
  static std::uint32_t zeroMask(Vec v) {
    return static_cast<std::uint32_t>(_mm512_cmpeq_epi16_mask(v, _mm512_setzero_si512()));
  }
  static std::uint32_t greaterMask(Vec a, Vec b) {
    return static_cast<std::uint32_t>(_mm512_cmpgt_epi16_mask(a, b));
  }
  static std::uint32_t validMask(std::uint32_t remaining) {
    return remaining >= 32 ? 0xFFFFFFFFu : (1u << remaining) - 1u;
  }
};

#include "engine/tail_filter_kernel.hpp"

}  // namespace

namespace kestrav::engine {
TailFilter avx512TailFilter() { return &filterAnyLength<Avx512Ops>; }
}  // namespace kestrav::engine
