// Eight 16-bit lanes (SSE2); compiled with -msse2.
#include <immintrin.h>

#include <cstdint>

#include "engine/tail_filter.hpp"

namespace {

struct Sse2Ops {
  using Vec = __m128i;
  static constexpr int kLanes = 8;
  static constexpr int kBitsPerLane = 2;  // movemask_epi8 gives two bits per 16-bit lane
  static Vec load(const std::uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static Vec broadcast(std::uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
  static Vec add(Vec a, Vec b) { return _mm_add_epi16(a, b); }
  static Vec multiply(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
  static Vec subtract(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
  static std::uint32_t zeroMask(Vec v) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_setzero_si128())));
  }
  static std::uint32_t greaterMask(Vec a, Vec b) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi16(a, b)));
  }
  static std::uint32_t validMask(std::uint32_t remaining) {
    return remaining >= 8 ? 0xFFFFu : (1u << (2 * remaining)) - 1u;
  }
};

#include "engine/tail_filter_kernel.hpp"

}  // namespace

namespace kestrav::engine {
TailFilter sse2TailFilter() { return &filterAnyLength<Sse2Ops>; }
}  // namespace kestrav::engine
