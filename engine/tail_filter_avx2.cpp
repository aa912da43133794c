// Sixteen 16-bit lanes (AVX2); compiled with -mavx2.
#include <immintrin.h>

#include <cstdint>

#include "engine/tail_filter.hpp"

namespace {

struct Avx2Ops {
  using Vec = __m256i;
  static constexpr int kLanes = 16;
  static constexpr int kBitsPerLane = 2;
  static Vec load(const std::uint16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static Vec broadcast(std::uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
  static Vec add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
  static Vec multiply(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
  static Vec subtract(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
  static std::uint32_t zeroMask(Vec v) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(v, _mm256_setzero_si256())));
  }
  static std::uint32_t greaterMask(Vec a, Vec b) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi16(a, b)));
  }
  static std::uint32_t validMask(std::uint32_t remaining) {
    return remaining >= 16 ? 0xFFFFFFFFu : (1u << (2 * remaining)) - 1u;
  }
};

#include "engine/tail_filter_kernel.hpp"

}  // namespace

namespace kestrav::engine {
TailFilter avx2TailFilter() { return &filterAnyLength<Avx2Ops>; }
}  // namespace kestrav::engine
