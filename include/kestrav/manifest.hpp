#pragma once
// Manifests: FILE.json beside a result file FILE, written after FILE is
// complete, naming the search that wrote it and what it holds, so that the
// file can be checked, joined with its sibling shards and reproduced.
//
// The format is one JSON object; readers refuse a "version" they do not
// know, and a newer writer raises it for any change a reader could
// misread. Version 1 holds these keys, every one of them always present:
//
//   "format"            "kestrav-manifest"
//   "version"           1
//   "file"              the result file's name, without its directory
//   "model"             {"gram": CODE} for a model given as one Gram code,
//                       or {"blocks": ["POSITIONS:CODE", ...]}
//   "layout"            the layout's name, e.g. "HeadOnly"
//   "total"             the sum of every tuple
//   "multipliers"       the multiplier of each pass, e.g. [1, 2, 5]
//   "shard"             {"index": i, "count": N}: the slice i of N (1 of 1
//                       for a whole search)
//   "compositions"      {"first": F, "end": E, "all": A}: the file covers
//                       the compositions with ranks [F, E) of the A of the
//                       whole search (all passes, in file order)
//   "records_per_pass"  records (lines) of each pass, in pass order
//   "lines", "bytes"    of the file's text (decompressed, for FILE.gz/.zst)
//   "sha256"            of the file as stored (its compressed bytes, for
//                       FILE.gz/.zst), 64 lowercase hex digits
//   "kestrav"           {"version": "1.0.0", "commit": GIT COMMIT or ""}
//   "command"           the command line that wrote it, word by word
//   "started"           when the search started, UTC, "2026-12-09T05:16:00Z"
//   "seconds"           how long it took
//   "threads", "simd"   the worker threads and the vector kernel it used
//   "host"              the machine's host name
//
// A compressed file's checksum is that of its bytes, so that sha256sum
// checks it as it lies on disk; its counts are those of the records.
//
// The keys from "kestrav" on describe the run; two searches of the same
// model, layout, total, multipliers and shard write the same file and the
// same manifest up to them.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "kestrav/export.hpp"
#include "kestrav/model.hpp"
#include "kestrav/search.hpp"

namespace kestrav {

// Whether this build writes and reads manifests (it needs nlohmann-json and
// libcrypto at build time). Without them result files carry no checksum.
KESTRAV_API bool manifestsAvailable();
// Throws Error(Field::Manifest) naming the Debian packages a build needs for
// them when this one has none.
KESTRAV_API void requireManifests();

inline constexpr int kManifestVersion = 1;
inline constexpr std::string_view kManifestSuffix = ".json";  // FILE.json beside FILE

struct Manifest {
  int version = kManifestVersion;
  std::string file;
  // The search.
  std::string gram;                 // a model given as one Gram code
  std::vector<std::string> blocks;  // or as blocks "POSITIONS:CODE"
  std::string layout;
  int total = 0;
  std::vector<int> multipliers;
  int shardIndex = 1;
  int shardCount = 1;
  std::uint64_t firstComposition = 0;
  std::uint64_t endComposition = 0;
  std::uint64_t allCompositions = 0;
  // The file.
  std::vector<std::uint64_t> recordsPerPass;
  std::uint64_t lines = 0;
  std::uint64_t bytes = 0;
  std::string sha256;
  // The run.
  std::string kestravVersion;
  std::string kestravCommit;
  std::vector<std::string> command;
  std::string started;
  double seconds = 0;
  int threads = 0;
  std::string simd;
  std::string host;
};

// FILE.json for FILE.
KESTRAV_API std::filesystem::path manifestPath(const std::filesystem::path& file);

// The manifest's model, checked as the command checks its options: throws
// Error naming the field (Gram, Blocks, Layout, Total, Multipliers).
KESTRAV_API Model manifestModel(const Manifest& manifest);
// The model's keys ("model" to "multipliers") and a whole-search range, as
// a search of the model writes them.
KESTRAV_API Manifest manifestFor(const Model& model);

// Whether two manifests describe the same search (model, layout, total,
// multipliers, shard count), shard index aside.
KESTRAV_API bool sameSearch(const Manifest& a, const Manifest& b);

// The JSON text, keys in the order above, ending with a newline. Throws
// Error(Field::Manifest) in a build without manifests.
KESTRAV_API std::string manifestText(const Manifest& manifest);
// Throws Error(Field::Manifest) with one line of reason for text that is
// not JSON, not a manifest, of an unknown version or with a key missing or
// of the wrong type; the model itself is checked by manifestModel.
KESTRAV_API Manifest parseManifest(std::string_view text);
// The manifest of a result file, read from manifestPath(file); throws
// Error(Field::Manifest) as parseManifest does, or when it cannot be read.
KESTRAV_API Manifest readManifest(const std::filesystem::path& file);

// Joins the shards 1..N of one search, given in any order, into `file`
// and its manifest, which is the one the whole search writes up to the keys
// of the run. Every part must have a manifest of the same search (model,
// layout, total, multipliers, N), each index must come exactly once, and
// each part's size, lines and SHA-256 must match its manifest: otherwise
// returns false with one line naming the part and the reason, and writes
// nothing. The parts are read as a stream, decompressed by their names'
// suffixes (.gz, .zst), and the file is written as searchToFile writes one
// (atomically, compressed by its name; with sync, on disk at the return).
// Throws Error(Field::Manifest), naming the part, for a manifest that cannot
// be read or names a model the library refuses.
KESTRAV_API bool joinShards(const std::vector<std::filesystem::path>& parts,
                            const std::filesystem::path& file, std::string& problem,
                            const ManifestOptions& manifest = {}, bool sync = false);

// Writes records already in hand (rows of model.entryCount() values each,
// row-major, the records of each pass in turn, recordsPerPass of them in
// the model's pass order) as writeRecords writes them, and then their
// manifest as searchToFile writes it for the same search: the model's keys,
// options' shard, `searched` (the compositions the search covered, its
// SearchSummary's firstComposition and endComposition), the counts and
// SHA-256 of the bytes written, and the keys of the run from
// manifest.command, `started`, `seconds` and options' threads and SIMD
// level. Without manifest.write, or in a build without manifests, the file
// is written alone. Throws Error for options out of range, a range that is
// not one of the search, a count per pass missing or too many, or a value
// out of range, before touching the file; returns false with the reason
// when the file or its manifest cannot be written.
KESTRAV_API bool writeRecordsWithManifest(const Model& model, const SearchOptions& options,
                                          const ShardRange& searched, const std::filesystem::path& file,
                                          const std::int32_t* entries,
                                          const std::vector<std::uint64_t>& recordsPerPass,
                                          const ManifestOptions& manifest,
                                          std::chrono::system_clock::time_point started, double seconds,
                                          std::string& error, bool sync = false);

inline constexpr std::uint64_t kDefaultVerifySample = 4000;

// Checks a result file against its manifest without searching again: the
// size, lines and SHA-256 (of a .gz/.zst file's text and bytes, read as a
// stream); every record's place (each pass's records in
// their pass, the compositions in file order, in the manifest's range),
// form (the layout's pinned entries, multiples of the pass's multiplier,
// the total) and value (the model evaluated exactly, every block zero);
// and `sample` other compositions of the range, drawn at random, evaluated
// exactly to be zeros exactly when they are records. Returns "" when all
// of it holds, otherwise the first fault in one line. Throws
// Error(Field::Manifest) for a manifest that cannot be read, and the
// model's field for a model the library refuses.
KESTRAV_API std::string verifyWithManifest(const std::filesystem::path& file,
                                           std::uint64_t sample = kDefaultVerifySample);

}  // namespace kestrav
