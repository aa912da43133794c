// Bringing a rename to disk: the directory that holds a file is synced
// after the file itself, so that a crash cannot lose the new name.
#pragma once

#include <filesystem>

namespace kestrav::engine {

// Syncs the directory that holds FILE ("." for a bare name); false, with
// errno set, when it cannot be opened or synced.
bool syncDirectoryOf(const std::filesystem::path& file);

}  // namespace kestrav::engine
