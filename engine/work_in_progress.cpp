#include "engine/work_in_progress.hpp"

#include "engine/directory_sync.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestrav::engine {
namespace {

constexpr std::size_t kReadSize = std::size_t{1} << 20;
constexpr int kLockAttempts = 100;

std::filesystem::path withSuffix(const std::filesystem::path& target, const char* suffix) {
  std::filesystem::path name = target;
  name += suffix;
  return name;
}

std::string reason() { return errno != 0 ? std::strerror(errno) : "input/output error"; }

std::string cannot(const char* what, const std::filesystem::path& file) {
  return std::string("cannot ") + what + " " + file.string() + ": " + reason();
}

bool sameFile(int fd, const std::filesystem::path& path) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

}  // namespace

std::filesystem::path partialPath(const std::filesystem::path& target) {
  return withSuffix(target, ".partial");
}

std::filesystem::path checkpointPath(const std::filesystem::path& target) {
  return withSuffix(target, ".checkpoint");
}

WorkInProgress::~WorkInProgress() { close(); }

void WorkInProgress::close() {
  writer_.stop();  // before the files it writes are closed
  if (records_ >= 0) ::close(records_);
  if (lock_ >= 0) ::close(lock_);  // and with it the lock
  records_ = lock_ = -1;
}

WorkFault WorkInProgress::open(const std::filesystem::path& target, const std::string& search,
                               EarlierWork earlier, const WrittenPosition& start,
                               std::chrono::milliseconds interval, std::string& error) {
  close();
  target_ = target;
  interval_ = interval;
  last_ = Checkpoint{};
  last_.search = search;
  const std::filesystem::path checkpointFile = checkpointPath(target);
  const std::filesystem::path partialFile = partialPath(target);
  // The lock is taken on the checkpoint file that is under its name: one
  // that a finishing search removed after this one opened it is left.
  for (int attempt = 0; lock_ < 0; ++attempt) {
    errno = 0;
    lock_ = ::open(checkpointFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock_ < 0) {
      error = cannot("open", checkpointFile);
      return WorkFault::System;
    }
    if (::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
      const bool busy = errno == EWOULDBLOCK;
      error = busy ? "another search is writing " + partialFile.string() : cannot("lock", checkpointFile);
      close();
      return busy ? WorkFault::Busy : WorkFault::System;
    }
    if (!sameFile(lock_, checkpointFile)) {
      close();
      if (attempt == kLockAttempts) {
        error = "cannot lock " + checkpointFile.string() + ": it keeps being replaced";
        return WorkFault::System;
      }
    }
  }
  errno = 0;
  records_ = ::open(partialFile.c_str(), O_RDWR | O_CLOEXEC);
  if (records_ < 0 && errno != ENOENT) {
    error = cannot("open", partialFile);
    return WorkFault::System;
  }
  struct stat status {};
  if (records_ >= 0 && (::fstat(records_, &status) != 0 || !S_ISREG(status.st_mode))) {
    error = partialFile.string() + " is not a regular file";
    return WorkFault::System;
  }
  Checkpoint earlierCheckpoint;
  const CheckpointRead read =
      records_ >= 0 ? readCheckpoint(lock_, earlierCheckpoint) : CheckpointRead::Empty;
  if (read == CheckpointRead::Valid) found_ = earlierCheckpoint;
  // No work, none that holds a record or a checkpoint, or a checkpoint of
  // this search that has not passed its first unit: nothing to lose.
  const bool nothingEarlier =
      records_ < 0 || (status.st_size == 0 && read != CheckpointRead::Valid) ||
      (found_ && found_->search == search && found_->position.nextRank == start.nextRank);
  if (nothingEarlier || earlier == EarlierWork::Restart) {
    if (startAfresh(start, error)) return WorkFault::None;
    removeAll();  // nothing of value: what was there is discarded, or nothing
    return WorkFault::System;
  }
  if (earlier == EarlierWork::Refuse) {
    error = partialFile.string() + " holds the work in progress of an earlier search";
    return WorkFault::Found;
  }
  return resume(search, read, error);
}

bool WorkInProgress::startAfresh(const WrittenPosition& start, std::string& error) {
  const std::filesystem::path partialFile = partialPath(target_);
  errno = 0;
  if (records_ < 0) records_ = ::open(partialFile.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (records_ < 0 || ::ftruncate(records_, 0) != 0 || ::lseek(records_, 0, SEEK_SET) != 0) {
    error = cannot("create", partialFile);
    return false;
  }
  // An earlier checkpoint of a higher sequence must not outlive this start.
  if (::ftruncate(lock_, 0) != 0) {
    error = cannot("write", checkpointPath(target_));
    return false;
  }
  checksum_ = RunningChecksum();
  sequence_ = 0;
  resumed_ = false;
  startsAt_ = start;
  last_.position = start;
  last_.checksum = checksum_.value();
  return !checkpoints() || checkpoint(error);
}

WorkFault WorkInProgress::resume(const std::string& search, CheckpointRead read, std::string& error) {
  const std::filesystem::path partialFile = partialPath(target_);
  if (!found_) {
    error = checkpointPath(target_).string() + (read == CheckpointRead::Empty
                                                    ? " is empty: the search that left it took no checkpoint"
                                                    : " is damaged");
    return WorkFault::Damaged;
  }
  const Checkpoint& earlier = *found_;
  if (earlier.search != search) {
    error = partialFile.string() + " holds the work of another search (" + earlier.search + ")";
    return WorkFault::OtherSearch;
  }
  // The records up to the checkpoint must be those it counted.
  std::string buffer(kReadSize, '\0');
  std::uint64_t offset = 0;
  std::size_t pass = 0;
  std::uint64_t leftInPass = earlier.position.recordsPerPass.empty() ? 0 : earlier.position.recordsPerPass[0];
  while (offset < earlier.position.bytes) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), earlier.position.bytes - offset));
    errno = 0;
    const ssize_t got = ::pread(records_, buffer.data(), want, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = cannot("read", partialFile);
      return WorkFault::System;
    }
    if (got == 0) {
      error = partialFile.string() + " is shorter than its checkpoint";
      return WorkFault::Damaged;
    }
    const std::string_view piece(buffer.data(), static_cast<std::size_t>(got));
    checksum_.update(piece);
    if (everyPiece) handOnKept(piece, pass, leftInPass);
    offset += static_cast<std::uint64_t>(got);
  }
  if (checksum_.value() != earlier.checksum) {
    error = partialFile.string() + " does not match its checkpoint";
    return WorkFault::Damaged;
  }
  errno = 0;
  const auto end = static_cast<off_t>(earlier.position.bytes);
  if (::ftruncate(records_, end) != 0 || ::lseek(records_, end, SEEK_SET) != end) {
    error = cannot("write", partialFile);
    return WorkFault::System;
  }
  last_ = earlier;
  sequence_ = earlier.sequence + 1;
  startsAt_ = earlier.position;
  resumed_ = true;
  lastWritten_ = std::chrono::steady_clock::now();
  return WorkFault::None;
}

// Kept records go to everyPiece in pieces of one pass each, cut where the
// checkpoint's records per pass say each pass ends.
void WorkInProgress::handOnKept(std::string_view piece, std::size_t& pass, std::uint64_t& leftInPass) const {
  const std::vector<std::uint64_t>& counts = found_->position.recordsPerPass;
  while (!piece.empty()) {
    while (leftInPass == 0 && pass + 1 < counts.size()) leftInPass = counts[++pass];
    std::size_t cut = piece.size();
    if (pass + 1 < counts.size()) {
      const char* at = piece.data();
      const char* const end = piece.data() + piece.size();
      while (leftInPass > 0 && (at = static_cast<const char*>(
                                    std::memchr(at, '\n', static_cast<std::size_t>(end - at)))) != nullptr) {
        ++at;
        if (--leftInPass == 0) cut = static_cast<std::size_t>(at - piece.data());
      }
    }
    everyPiece(piece.substr(0, cut), static_cast<int>(pass));
    piece.remove_prefix(cut);
  }
}

bool WorkInProgress::checkpoint(std::string& error) {
  errno = 0;
  if (::fdatasync(records_) != 0) {
    error = reason();
    return false;
  }
  last_.sequence = sequence_++;
  if (!writeCheckpoint(lock_, last_)) {
    error = reason();
    return false;
  }
  lastWritten_ = std::chrono::steady_clock::now();
  return true;
}

bool WorkInProgress::write(std::string_view records, int pass, std::string& error) {
  if (checkpoints()) checksum_.update(records);
  if (everyPiece) everyPiece(records, pass);
  errno = 0;
  if (writeAll(records_, records)) return true;
  error = reason();
  return false;
}

bool WorkInProgress::unitWritten(const WrittenPosition& at, std::string& error) {
  if (!checkpoints()) return true;
  last_.position = at;
  last_.checksum = checksum_.value();
  const auto now = std::chrono::steady_clock::now();
  if (now - lastWritten_ < interval_) return true;
  error = writer_.failure();
  if (!error.empty()) return false;
  last_.sequence = sequence_;
  if (writer_.post(records_, lock_, last_)) {
    ++sequence_;
    lastWritten_ = now;
  }
  return true;
}

bool WorkInProgress::finish(std::string&) { return true; }

bool WorkInProgress::commit(bool sync, std::string& error) {
  writer_.stop();
  errno = 0;
  bool ok = !sync || ::fdatasync(records_) == 0;
  if (ok) ok = ::rename(partialPath(target_).c_str(), target_.c_str()) == 0;
  if (!ok) {
    error = reason();
    return false;
  }
  if (sync && !syncDirectoryOf(target_)) {
    ok = false;
    error = reason();
  }
  // Removed while it is still locked, so that no search takes it meanwhile.
  ::unlink(checkpointPath(target_).c_str());
  close();
  return ok;
}

bool WorkInProgress::keep() {
  if (records_ < 0) return false;
  const bool nothingNew = !checkpoints() || (!resumed_ && last_.position.nextRank == startsAt_.nextRank);
  if (nothingNew) {
    removeAll();
    return false;
  }
  // Bytes after the last unit written belong to a unit the search left
  // unfinished; the checkpoint that follows covers everything before it.
  std::string ignored;
  writer_.stop();
  if (::ftruncate(records_, static_cast<off_t>(last_.position.bytes)) == 0) checkpoint(ignored);
  close();
  return true;
}

void WorkInProgress::removeAll() {
  ::unlink(partialPath(target_).c_str());
  ::unlink(checkpointPath(target_).c_str());
  close();
}

}  // namespace kestrav::engine
