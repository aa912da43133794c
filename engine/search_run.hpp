#pragma once
// Runs a search and writes its records in enumeration order while it
// searches. Worker threads take the work units in order; a thread may run
// ahead of the oldest unwritten unit only within a small window, and a unit
// whose records grow past a bound waits until it is the oldest and then
// writes them through. Memory therefore stays bounded whatever the size of
// the search or of its output.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/checkpoint.hpp"
#include "engine/record_encoding.hpp"
#include "engine/search_model.hpp"
#include "engine/tail_filter.hpp"
#include "engine/work_units.hpp"

namespace kestrav::engine {

inline constexpr int kDefaultTailLength = 4;

struct SearchOptions {
  int threads = 1;
  int shardIndex = 1;  // 1-based
  int shardCount = 1;
  SimdLevel simd = SimdLevel::Scalar;
  int tailLength = kDefaultTailLength;
  // How finely the work is cut into units (UnitCursor); a checkpoint or a
  // resumed search holds only for the cut it was made with.
  std::uint64_t unitSize = kMaxUnitCompositions;
  RecordEncoding encoding = RecordEncoding::Text;
  // Called from the calling thread a few times a second, with the
  // compositions searched so far and those of the whole (shard's) search.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
  // Asked between units of work; true stops the search soon (Cancelled).
  std::function<bool()> cancelled;
  // Continues a search whose records up to this point are written already:
  // the search starts at its next unit, and the summary counts those
  // records and bytes too.
  std::optional<WrittenPosition> resumeAt;
};

struct SearchSummary {
  std::vector<std::uint64_t> recordsPerPass;  // one per multiplier
  std::uint64_t bytes = 0;
  CompositionRange searched;  // the ranks of the compositions its units cover
};

enum class SearchStatus {
  Complete,
  Cancelled,  // options.cancelled said so
  Failed,     // a write failed or a worker could not go on; see the error
};

// Where a search's records go: in enumeration order, in pieces of whole
// records of one pass (an index into the multipliers), from one thread at a
// time, encoded as the options ask. A write that returns false stops the
// search (Failed, with its error, or Cancelled when the error is empty);
// finish follows the last piece of a complete search. unitWritten follows
// the last piece of every unit of work, before any piece of the next: a
// point at which the records written so far can be checkpointed.
class RecordOutput {
 public:
  virtual ~RecordOutput() = default;
  virtual bool write(std::string_view records, int pass, std::string& error) = 0;
  virtual bool unitWritten(const WrittenPosition&, std::string&) { return true; }
  virtual bool finish(std::string& error) = 0;
};

// A stream: written with fwrite, flushed at the end.
class StreamOutput : public RecordOutput {
 public:
  explicit StreamOutput(std::FILE* file) : file_(file) {}
  bool write(std::string_view records, int pass, std::string& error) override;
  bool finish(std::string& error) override;

 private:
  std::FILE* file_;
};

SearchStatus runSearch(const SearchModel& model, const SearchOptions& options, RecordOutput& out,
                       SearchSummary& summary, std::string& error);

// Writes the records to out. On failure the error names the reason (the
// system's, or "out of memory"); what was written before stays written.
// Throws std::invalid_argument for options out of range and for a search
// whose compositions do not fit 64 bits.
SearchStatus runSearch(const SearchModel& model, const SearchOptions& options, std::FILE* out,
                       SearchSummary& summary, std::string& error);

}  // namespace kestrav::engine
