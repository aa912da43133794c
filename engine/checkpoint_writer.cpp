#include "engine/checkpoint_writer.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestrav::engine {
namespace {

// The records first: a checkpoint on disk never counts records that are not.
std::string writeAfterSync(int recordsFile, int checkpointFile, const Checkpoint& checkpoint) {
  errno = 0;
  if (::fdatasync(recordsFile) == 0 && writeCheckpoint(checkpointFile, checkpoint)) return "";
  return errno != 0 ? std::strerror(errno) : "input/output error";
}

}  // namespace

bool CheckpointWriter::post(int recordsFile, int checkpointFile, const Checkpoint& checkpoint) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (busy_ || next_) return false;
  recordsFile_ = recordsFile;
  checkpointFile_ = checkpointFile;
  if (!thread_.joinable()) {
    stopping_ = false;
    try {
      thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      // No thread to spare: written here, while the search waits.
      lock.unlock();
      const std::string failed = writeAfterSync(recordsFile, checkpointFile, checkpoint);
      lock.lock();
      if (!failed.empty()) failure_ = failed;
      return true;
    }
  }
  next_ = checkpoint;
  wake_.notify_one();
  return true;
}

std::string CheckpointWriter::failure() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return failure_;
}

void CheckpointWriter::stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    wake_.notify_one();
  }
  if (thread_.joinable()) thread_.join();
}

void CheckpointWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return next_ || stopping_; });
    if (!next_) return;  // stopping, with nothing left to write
    const Checkpoint checkpoint = std::move(*next_);
    next_.reset();
    busy_ = true;
    lock.unlock();
    const std::string failed = writeAfterSync(recordsFile_, checkpointFile_, checkpoint);
    lock.lock();
    busy_ = false;
    if (!failed.empty()) failure_ = failed;
  }
}

}  // namespace kestrav::engine
