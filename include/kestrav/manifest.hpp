#pragma once
// Manifests: FILE.json beside a result file FILE, naming the search that
// wrote it and what it holds.

#include "kestrav/export.hpp"

namespace kestrav {

// Whether this build writes and reads manifests (it needs nlohmann-json and
// libcrypto at build time). Without them result files carry no checksum.
KESTRAV_API bool manifestsAvailable();

}  // namespace kestrav
