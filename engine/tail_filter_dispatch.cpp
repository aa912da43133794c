// Chooses the widest kernel this build has and this processor runs.
#include <cstring>
#include <stdexcept>
#include <string>

#include "engine/tail_filter.hpp"

namespace kestrav::engine {

const char* simdLevelName(SimdLevel level) {
  switch (level) {
    case SimdLevel::Scalar:
      return "scalar";
    case SimdLevel::Sse2:
      return "sse2";
    case SimdLevel::Avx2:
      return "avx2";
    case SimdLevel::Avx512:
      return "avx512";
  }
  return "?";
}

bool parseSimdLevel(const char* name, SimdLevel& level) {
  for (SimdLevel candidate : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512}) {
    if (std::strcmp(name, simdLevelName(candidate)) == 0) {
      level = candidate;
      return true;
    }
  }
  return false;
}

bool simdLevelAvailable(SimdLevel level) {
  if (level == SimdLevel::Scalar) return true;
#if defined(KESTRAV_X86_KERNELS)
  __builtin_cpu_init();
  switch (level) {
    case SimdLevel::Sse2:
      return __builtin_cpu_supports("sse2");
    case SimdLevel::Avx2:
      return __builtin_cpu_supports("avx2");
    case SimdLevel::Avx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    case SimdLevel::Scalar:
      return true;
  }
#endif
  return false;
}

SimdLevel bestSimdLevel() {
  for (SimdLevel level : {SimdLevel::Avx512, SimdLevel::Avx2, SimdLevel::Sse2}) {
    if (simdLevelAvailable(level)) return level;
  }
  return SimdLevel::Scalar;
}

TailFilter tailFilterFor(SimdLevel level) {
  if (!simdLevelAvailable(level)) {
    throw std::invalid_argument(std::string("SIMD level ") + simdLevelName(level) + " is not available here");
  }
#if defined(KESTRAV_X86_KERNELS)
  switch (level) {
    case SimdLevel::Sse2:
      return sse2TailFilter();
    case SimdLevel::Avx2:
      return avx2TailFilter();
    case SimdLevel::Avx512:
      return avx512TailFilter();
    case SimdLevel::Scalar:
      break;
  }
#endif
  return scalarTailFilter();
}

}  // namespace kestrav::engine
