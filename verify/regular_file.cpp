#include "verify/regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace kestrav {
namespace {

std::string kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  return "something else";
}

std::string cannotRead(const std::filesystem::path& file, int error) {
  return "cannot read " + file.string() + ": " + std::strerror(error);
}

// Closes the descriptor however the read ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string readRegularFile(const std::filesystem::path& file,
                            const std::function<void(std::string_view)>& chunk) {
  // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one.
  const Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return cannotRead(file, errno);
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0) return cannotRead(file, errno);
  if (!S_ISREG(status.st_mode))
    return file.string() + " is " + kindOf(status.st_mode) + ", not a regular file";
  std::array<char, 1 << 16> buffer;
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
    if (got == 0) return {};
    if (got < 0) {
      if (errno == EINTR) continue;
      return cannotRead(file, errno);
    }
    chunk({buffer.data(), static_cast<std::size_t>(got)});
  }
}

std::string readRegularFileText(const std::filesystem::path& file, std::string& text) {
  text.clear();
  return readRegularFile(file, [&text](std::string_view bytes) { text.append(bytes); });
}

}  // namespace kestrav
