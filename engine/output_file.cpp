#include "engine/output_file.hpp"

#include "engine/compressed_stream.hpp"
#include "engine/directory_sync.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

namespace kestrav::engine {
namespace {

std::string systemError() { return errno != 0 ? std::strerror(errno) : "input/output error"; }

// ".NAME.tmp-XXXXXX" beside the target: hidden, and matched by no pattern
// that matches the result files themselves.
std::filesystem::path temporaryName(const std::filesystem::path& target, std::mt19937_64& random) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 6; ++i) suffix += kLetters[random() % (sizeof kLetters - 1)];
  // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "." + ...
  std::string name = ".";
  name += target.filename().string();
  name += ".tmp-";
  name += suffix;
  return target.parent_path() / name;
}

}  // namespace

bool OutputFile::open(const std::filesystem::path& target, std::string& error,
                      std::function<void(std::string_view)> stored) {
  abandon();
  target_ = target;
  temporary_.clear();
  // Refused before anything is created: never plain text under a compressed name.
  Compression compression = Compression::None;
  if (!compressionFor(target, compression, error)) return false;
  struct stat status {};
  int fd = -1;
  errno = 0;
  if (::stat(target.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    if (S_ISDIR(status.st_mode)) {
      error = std::strerror(EISDIR);
      return false;
    }
    fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  } else {
    std::mt19937_64 random(
        static_cast<std::uint64_t>(::getpid()) * 0x9e3779b97f4a7c15u ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      temporary_ = temporaryName(target, random);
      fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) temporary_.clear();
  }
  if (fd < 0) {
    error = systemError();
    return false;
  }
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    error = systemError();
    ::close(fd);
    abandon();
    return false;
  }
  if (compression != Compression::None) {
    raw_ = file_;
    errno = 0;
    file_ = openCompressingStream(raw_, compression, std::move(stored));
    if (file_ == nullptr) {
      error = systemError();
      abandon();
      return false;
    }
  }
  return true;
}

bool OutputFile::endCompression(std::string& error) {
  if (raw_ == nullptr) return true;
  errno = 0;
  // Closing the compressing stream writes the end of the compressed data.
  const bool ok = std::fclose(file_) == 0;
  file_ = raw_;
  raw_ = nullptr;
  if (!ok) error = systemError();
  return ok;
}

bool OutputFile::commit(bool sync, std::string& error) {
  bool ok = endCompression(error);
  errno = 0;
  ok = ok && std::fflush(file_) == 0 && (!sync || temporary_.empty() || ::fsync(::fileno(file_)) == 0);
  if (!ok && error.empty()) error = systemError();
  errno = 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (ok && !closed) {
    ok = false;
    error = systemError();
  }
  if (ok && !temporary_.empty()) {
    errno = 0;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
      ok = false;
      error = systemError();
    } else {
      temporary_.clear();
      if (sync && !syncDirectoryOf(target_)) {
        ok = false;
        error = systemError();
      }
    }
  }
  abandon();
  return ok;
}

bool commitWithCompanion(const std::function<bool(std::string&)>& commitResult, const Companion& companion,
                         bool sync, std::string& error) {
  OutputFile written;
  std::string reason;
  const auto failed = [&] {
    error = companion.path.filename().string() + ": " + reason;
    return false;
  };
  if (!written.open(companion.path, reason)) return failed();
  errno = 0;
  if (std::fwrite(companion.text.data(), 1, companion.text.size(), written.stream()) !=
      companion.text.size()) {
    reason = systemError();
    return failed();
  }
  errno = 0;
  if (!written.direct() && ::unlink(companion.path.c_str()) != 0 && errno != ENOENT) {
    reason = systemError();
    return failed();
  }
  if (!commitResult(error)) return false;
  if (!written.commit(sync, reason)) {
    error = companion.path.filename().string() + ": " + reason;
    return false;
  }
  return true;
}

void OutputFile::abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (raw_ != nullptr) {
    std::fclose(raw_);
    raw_ = nullptr;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace kestrav::engine
