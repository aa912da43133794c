#include "kestrav/manifest.hpp"

namespace kestrav {

bool manifestsAvailable() {
#ifdef KESTRAV_MANIFESTS
  return true;
#else
  return false;
#endif
}

}  // namespace kestrav
