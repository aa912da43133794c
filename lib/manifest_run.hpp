#pragma once
// The manifest of a file a search has just written, and the companion that
// carries it to FILE.json.

#include <chrono>
#include <filesystem>
#include <optional>

#include "engine/output_file.hpp"
#include "engine/result_digest.hpp"
#include "kestrav/manifest.hpp"
#include "kestrav/search.hpp"

namespace kestrav::detail {

// The keys of the run: this kestrav, the host and what the caller gives.
void describeRun(Manifest& manifest, const std::vector<std::string>& command,
                 std::chrono::system_clock::time_point started, double seconds, int threads, Simd simd);

// The counts and checksum come from the digest of the file's text; a
// compressed file's checksum comes from `stored`, the digest of its bytes.
// Nothing when the options ask for none or the build has no manifests.
std::optional<engine::Companion> manifestCompanion(const Model& model, const SearchOptions& options,
                                                   const engine::ResultDigest& digest,
                                                   engine::CompositionRange searched, double seconds,
                                                   const std::filesystem::path& file,
                                                   const ManifestOptions& manifest,
                                                   std::chrono::system_clock::time_point started,
                                                   const engine::ResultDigest* stored = nullptr);

}  // namespace kestrav::detail
