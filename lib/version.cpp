#include "kestrav/version.hpp"

namespace kestrav {

const char* version() { return KESTRAV_VERSION_STRING; }

}  // namespace kestrav
