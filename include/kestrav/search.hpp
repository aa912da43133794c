#pragma once
// Searching a model: its size, a counting search, and searches that hand
// their records to the caller in blocks of integers or write them as a
// result file. Every search visits the compositions in the order of the
// result file (pass by pass, compositions in decreasing lexicographic
// order), splits the work over threads, and holds bounded memory whatever
// the size of its output.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kestrav/export.hpp"
#include "kestrav/model.hpp"

namespace kestrav {

// The vector instructions of the bulk filter; Auto takes the widest this
// processor and this build have.
enum class Simd { Auto, Scalar, Sse2, Avx2, Avx512 };

inline constexpr EnumName<Simd> kSimdNames[] = {{Simd::Auto, "auto"},
                                                {Simd::Scalar, "scalar"},
                                                {Simd::Sse2, "sse2"},
                                                {Simd::Avx2, "avx2"},
                                                {Simd::Avx512, "avx512"}};

constexpr const char* simdName(Simd simd) { return nameIn(kSimdNames, simd); }
// Whether this build has the kernel and this processor can run it.
KESTRAV_API bool simdAvailable(Simd simd);
// The level Auto stands for here.
KESTRAV_API Simd bestSimd();

// The compositions of each pass and of the whole search. Throws
// Error(Field::Total) when any of them does not fit 64 bits.
struct SearchSize {
  std::vector<std::uint64_t> perPass;
  std::uint64_t total = 0;
};
KESTRAV_API SearchSize searchSize(const Model& model);

// Shard i of N covers the compositions with ranks [first, end) of the whole
// search: contiguous slices of equal size (up to one).
struct ShardRange {
  std::uint64_t first = 0;
  std::uint64_t end = 0;
};
KESTRAV_API ShardRange shardRange(const Model& model, int index, int count);

inline constexpr int kMaxThreads = 256;
inline constexpr int kMaxShards = 1000000;
inline constexpr int kMaxTailLength = 4;  // entries the bulk filter evaluates at most

struct SearchOptions {
  int threads = 0;  // 0: one per processor this process may use
  int shardIndex = 1;
  int shardCount = 1;  // shard i of N (1-based), the whole search by default
  Simd simd = Simd::Auto;
  int tailLength = 0;  // entries evaluated in bulk, 1..kMaxTailLength; 0: the engine's choice
  // Set to true from any thread to stop the search soon (Cancelled).
  const std::atomic<bool>* cancel = nullptr;
  // Called from the calling thread a few times a second with the
  // compositions searched so far and those of the (shard's) search.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// The number of threads options.threads stands for here.
KESTRAV_API int threadsFor(const SearchOptions& options);

enum class SearchStatus {
  Complete,
  Cancelled,  // the cancel flag, or a consumer that returned false
  Failed,     // see SearchSummary::error
};

// How searchToFile leaves the work in progress of its file (FILE.partial).
enum class WorkInProgress {
  None,         // none is left: the file is complete, or the search wrote no unit of work
  Kept,         // the search stopped and kept it, up to its last unit of work, to be resumed
  Found,        // refused: an earlier search left it, and the options neither resume nor restart it
  Busy,         // refused: another search is writing it
  OtherSearch,  // refused to resume: it belongs to another search (a model, layout, total,
                // multipliers or shard of its own)
  Damaged,      // refused to resume: it does not match its checkpoint
};

struct SearchSummary {
  SearchStatus status = SearchStatus::Failed;
  std::vector<std::uint64_t> recordsPerPass;  // one per multiplier, in pass order
  std::uint64_t records = 0;
  std::uint64_t bytes = 0;         // of the records as text (0 for a counting search)
  std::uint64_t compositions = 0;  // searched: the shard's, for a shard
  // The ranks [first, end) of the compositions of the whole search that the
  // file covers: a shard's search ends at a boundary of its work units, so
  // this range differs from shardRange's, and the shards' ranges tile the whole.
  std::uint64_t firstComposition = 0;
  std::uint64_t endComposition = 0;
  std::string sha256;  // of the file searchToFile or runCatalogue wrote, when built with manifests
  double seconds = 0;
  std::string error;  // why it Failed
  // searchToFile with checkpoints: its work in progress, and the
  // compositions that work covers (kept, found, or resumed from; those of
  // the search are `compositions`).
  WorkInProgress workInProgress = WorkInProgress::None;
  std::uint64_t compositionsInProgress = 0;
  bool resumed = false;  // it continued an earlier search's work
};

// Consecutive records of one pass, in file order: records rows of
// entryCount values each, row-major. Valid during the call only.
struct RecordBlock {
  const std::int32_t* entries = nullptr;
  std::size_t records = 0;
  int entryCount = 0;
  int pass = 0;  // index into the model's multipliers
  int multiplier = 1;
  std::uint64_t firstRecord = 0;  // the index of its first record in the (shard's) search
};

// Called from one thread at a time, in file order; returning false stops
// the search (Cancelled).
using RecordConsumer = std::function<bool(const RecordBlock&)>;

// Counts the records of each pass without formatting or writing any.
// Options out of range throw Error (Field::Threads, Shard, Simd).
KESTRAV_API SearchSummary countRecords(const Model& model, const SearchOptions& options = {});

// Hands every record to the consumer in blocks of at most a few thousand.
// An exception thrown by the consumer stops the search and is rethrown.
KESTRAV_API SearchSummary search(const Model& model, const SearchOptions& options,
                                 const RecordConsumer& consumer);

// Why this build cannot write a result file of that name, or empty: a name
// ending in .gz or .zst is written compressed (gzip, zstd) when the build
// has the library, and other suffixes of compressed data (.xz, .bz2, ...)
// are refused rather than written as plain text.
KESTRAV_API std::string resultFileNameProblem(const std::filesystem::path& file);

// The manifest (kestrav/manifest.hpp) searchToFile and runCatalogue write
// beside a complete result file FILE, as FILE.json.
struct ManifestOptions {
  bool write = true;                 // in a build with manifests, for a regular file
  std::vector<std::string> command;  // the command line it records
};

// Writes the records as a result file: each value in decimal followed by
// one blank, a newline per record; compressed by the name's suffix. A regular file (or a name not yet taken)
// is written beside its name and renamed over it only when complete, so the
// name never holds a part; with sync the data and the rename reach the disk
// before the return. Any other target (/dev/null, a FIFO) is written
// directly. A failed or cancelled search leaves an earlier file untouched.
// This is the call below with FileOptions{sync}: checkpoints every
// kDefaultCheckpointSeconds, earlier work in progress refused.
// The manifest follows the complete file; an earlier manifest under its
// name is removed first, and one that cannot be written fails the search.
KESTRAV_API SearchSummary searchToFile(const Model& model, const std::filesystem::path& file,
                                       const SearchOptions& options = {}, bool sync = false);

// What searchToFile does with the work in progress of an earlier search to
// the same file, one that was interrupted, failed or killed.
enum class EarlierWork {
  Refuse,   // fail with WorkInProgress::Found, touching nothing
  Resume,   // continue it when it belongs to this search and matches its checkpoint
  Restart,  // discard it
};

inline constexpr double kDefaultCheckpointSeconds = 5;
inline constexpr double kMaxCheckpointSeconds = 86400;

struct FileOptions {
  bool sync = false;  // the complete file and its name on disk before the return
  EarlierWork earlier = EarlierWork::Refuse;
  // Seconds between checkpoints, 0..kMaxCheckpointSeconds. With 0 there are
  // none: FILE.partial is removed when the search stops, and nothing can be
  // resumed.
  double checkpointSeconds = kDefaultCheckpointSeconds;
  ManifestOptions manifest;
};

// The names of the work in progress of a search to `file`: its records so
// far, FILE.partial, and FILE.checkpoint, which tells how far they go and
// holds the lock of the search that writes them.
KESTRAV_API std::filesystem::path workInProgressPath(const std::filesystem::path& file);
KESTRAV_API std::filesystem::path checkpointPath(const std::filesystem::path& file);

// searchToFile with checkpoints. The records of a regular file (or a name
// not yet taken) go to FILE.partial, and every checkpointSeconds the records
// and a checkpoint of how far they go are brought to disk, the records
// first. A complete search renames FILE.partial over FILE. One that stops
// (cancelled, or a failed write) keeps its work up to the last unit of work
// it wrote (WorkInProgress::Kept) and leaves an earlier FILE untouched; so
// does one that is killed, up to its last checkpoint. Resumed with
// EarlierWork::Resume, with any threads, it gives the bytes of a search that
// was never stopped. A second search of the same file is refused while the
// first runs (WorkInProgress::Busy); the lock ends with the process.
// Options out of range throw Error (Field::Checkpoint among them).
KESTRAV_API SearchSummary searchToFile(const Model& model, const std::filesystem::path& file,
                                       const SearchOptions& options, const FileOptions& fileOptions);

// Writes records already in hand (rows of entryCount values each, row-major,
// as RecordBlocks hand them) as a result file: the bytes searchToFile
// writes for them, written beside the name and renamed over it only when
// complete, as searchToFile does (with sync, on disk before the return).
// Throws Error(Field::Entries) for an entry count outside
// 1..kMaxModelEntries or a value outside 0..65535, before touching the
// file. Returns false with the system's reason when the file cannot be
// written; an earlier file under the name is then left untouched.
KESTRAV_API bool writeRecords(const std::filesystem::path& file, const std::int32_t* entries,
                              std::size_t records, int entryCount, std::string& error, bool sync = false);

// Writes the records to an open stream as they are found (standard output).
KESTRAV_API SearchSummary searchToStream(const Model& model, std::FILE* stream,
                                         const SearchOptions& options = {});

// Compositions per second this machine searches the model at with
// options' threads, measured on a sample spread over the whole search for
// about `seconds`; 0 for a search without compositions.
KESTRAV_API double measureSearchRate(const Model& model, const SearchOptions& options, double seconds = 0.5);

// What a sample spread over the whole search (as measureSearchRate takes
// it) says of the search: its rate here, and the records and bytes of
// result file it finds per composition, from which a search's output can
// be estimated before it runs. All 0 for a search without compositions.
struct SearchSample {
  double compositionsPerSecond = 0;  // with options' threads
  double bytesPerComposition = 0;
  double recordsPerComposition = 0;
};
KESTRAV_API SearchSample sampleSearch(const Model& model, const SearchOptions& options, double seconds = 0.5);

}  // namespace kestrav
