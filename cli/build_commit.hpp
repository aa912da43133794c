#pragma once
// The git commit the tools were built from ("1a2b3c4d5e6f", with "-dirty"
// for uncommitted changes; "unknown" outside a git checkout), for --version.

namespace kestrav::cli {

const char* buildCommit();

}  // namespace kestrav::cli
