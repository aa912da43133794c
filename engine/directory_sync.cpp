#include "engine/directory_sync.hpp"

#include <fcntl.h>
#include <unistd.h>

namespace kestrav::engine {

bool syncDirectoryOf(const std::filesystem::path& file) {
  const std::filesystem::path parent = file.parent_path();
  const int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace kestrav::engine
