#pragma once
// A search's result file while it is written: the records go to FILE.partial
// beside FILE, and FILE.checkpoint records every few seconds how far they go
// (engine/checkpoint.hpp). When the search completes, FILE.partial is
// renamed over FILE and the checkpoint removed, so FILE only ever holds a
// complete file. A search that stops (interrupted, or a write that failed)
// keeps the records up to the last unit of work it wrote and a checkpoint
// there, and a later search of the same FILE can continue from it.
//
// The checkpoint file is locked (flock) while a search holds the work: a
// second search to FILE is refused instead of sharing it, and the kernel
// drops the lock when its holder dies, so a killed search leaves none.
//
// The order of the writes makes a checkpoint trustworthy whenever it is
// readable: the records are brought to disk (fdatasync) before the
// checkpoint that counts them is written, and a checkpoint is written into
// the slot that does not hold the latest one. While the search runs this
// happens in the background (CheckpointWriter); the first checkpoint and
// the last, when the search stops, are written before it goes on.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "engine/checkpoint.hpp"
#include "engine/checkpoint_writer.hpp"
#include "engine/running_checksum.hpp"
#include "engine/search_run.hpp"

namespace kestrav::engine {

std::filesystem::path partialPath(const std::filesystem::path& target);     // FILE.partial
std::filesystem::path checkpointPath(const std::filesystem::path& target);  // FILE.checkpoint

// What to do with the work an earlier search of the same file left.
enum class EarlierWork { Refuse, Resume, Restart };

// Why open() did not start: the work found and what was asked of it.
enum class WorkFault {
  None,
  Found,        // there is earlier work and Refuse was asked
  Busy,         // another search holds it
  OtherSearch,  // it belongs to another search
  Damaged,      // it does not match its checkpoint, or the checkpoint is unreadable
  System,       // a file could not be opened or written (errno's reason)
};

class WorkInProgress : public RecordOutput {
 public:
  WorkInProgress() = default;
  ~WorkInProgress() override;
  WorkInProgress(const WorkInProgress&) = delete;
  WorkInProgress& operator=(const WorkInProgress&) = delete;

  // Sees every byte of the records in order, in pieces of one pass (an
  // index into the multipliers), the kept ones of a resumed search first:
  // a digest of the whole file (ResultDigest::add). Set before open().
  std::function<void(std::string_view, int)> everyPiece;

  // Takes the lock and starts the work: afresh at `start` (the first unit of
  // the search), or, to resume, after the last checkpoint of work that
  // belongs to `search` and matches it. An interval of 0 takes no
  // checkpoints: such work is removed when the search stops. On a fault the error says why; with
  // Found, OtherSearch and Damaged, found() tells how far that work went
  // when its checkpoint could be read.
  WorkFault open(const std::filesystem::path& target, const std::string& search, EarlierWork earlier,
                 const WrittenPosition& start, std::chrono::milliseconds interval, std::string& error);
  // Where this search starts: `start`, or the checkpoint it resumes from.
  const WrittenPosition& startsAt() const { return startsAt_; }
  bool resumed() const { return resumed_; }
  const std::optional<Checkpoint>& found() const { return found_; }

  bool write(std::string_view records, int pass, std::string& error) override;
  bool unitWritten(const WrittenPosition& at, std::string& error) override;
  bool finish(std::string& error) override;

  // Gives the complete records their name (with sync, on disk before the
  // return) and removes the checkpoint. On failure the work is left for keep().
  bool commit(bool sync, std::string& error);
  // After a search that stopped: cuts the records back to the last unit
  // written and checkpoints there. Work that holds no unit is removed
  // instead; returns whether any was kept.
  bool keep();
  const WrittenPosition& keptAt() const { return last_.position; }

 private:
  bool startAfresh(const WrittenPosition& start, std::string& error);
  WorkFault resume(const std::string& search, CheckpointRead read, std::string& error);
  bool checkpoints() const { return interval_.count() > 0; }
  void handOnKept(std::string_view piece, std::size_t& pass, std::uint64_t& leftInPass) const;
  bool checkpoint(std::string& error);
  void removeAll();
  void close();

  std::filesystem::path target_;
  int records_ = -1;
  int lock_ = -1;  // the checkpoint file
  std::chrono::milliseconds interval_{0};
  std::chrono::steady_clock::time_point lastWritten_;
  RunningChecksum checksum_;
  Checkpoint last_;  // at the last unit written, checkpointed or not
  std::uint64_t sequence_ = 0;
  WrittenPosition startsAt_;
  bool resumed_ = false;
  std::optional<Checkpoint> found_;
  CheckpointWriter writer_;  // the checkpoints taken while the search runs
};

}  // namespace kestrav::engine
