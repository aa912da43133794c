#pragma once
// Checkpoints written in the background: the records are brought to disk
// (fdatasync), then the checkpoint that counts them is written and synced,
// on a thread of its own, so that a search does not wait for the disk
// while it goes on writing records past the checkpoint. One checkpoint is
// written at a time; one asked for meanwhile is skipped.

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/checkpoint.hpp"

namespace kestrav::engine {

class CheckpointWriter {
 public:
  CheckpointWriter() = default;
  ~CheckpointWriter() { stop(); }
  CheckpointWriter(const CheckpointWriter&) = delete;
  CheckpointWriter& operator=(const CheckpointWriter&) = delete;

  // Starts writing the checkpoint after syncing the records file; false
  // (and nothing done) while the one before is still being written.
  bool post(int recordsFile, int checkpointFile, const Checkpoint& checkpoint);
  // Why the last checkpoint could not be written; empty when none failed.
  std::string failure();
  // Waits for the checkpoint being written and ends the thread.
  void stop();

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
  std::optional<Checkpoint> next_;
  bool busy_ = false;
  bool stopping_ = false;
  std::string failure_;
  int recordsFile_ = -1;
  int checkpointFile_ = -1;
};

}  // namespace kestrav::engine
