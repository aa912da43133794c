// The portable kernel: one tuple at a time, 32-bit arithmetic read modulo 2^16.
#include <cstdint>

#include "engine/tail_filter.hpp"

namespace {

struct ScalarOps {
  using Vec = std::uint32_t;
  static constexpr int kLanes = 1;
  static constexpr int kBitsPerLane = 1;
  static Vec load(const std::uint16_t* p) { return *p; }
  static Vec broadcast(std::uint16_t v) { return v; }
  static Vec add(Vec a, Vec b) { return a + b; }
  static Vec multiply(Vec a, Vec b) { return a * b; }
  static Vec subtract(Vec a, Vec b) { return a - b; }
  static std::uint32_t zeroMask(Vec v) { return (v & 0xFFFFu) == 0 ? 1u : 0u; }
  static std::uint32_t greaterMask(Vec a, Vec b) {
    return static_cast<std::int16_t>(a) > static_cast<std::int16_t>(b) ? 1u : 0u;
  }
  static std::uint32_t validMask(std::uint32_t) { return 1u; }
};

#include "engine/tail_filter_kernel.hpp"

}  // namespace

namespace kestrav::engine {
TailFilter scalarTailFilter() { return &filterAnyLength<ScalarOps>; }
}  // namespace kestrav::engine
