#include "cli/standard_streams.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace kestrav::cli {
namespace {

bool outputFailureReported = false;

}  // namespace

void openClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is fd itself, as the lower ones are open.
    const int opened = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

void reportStandardOutputFailure(const char* program, const std::string& reason) {
  if (outputFailureReported) return;
  outputFailureReported = true;
  if (reason.empty()) {
    std::fprintf(stderr, "%s: cannot write standard output\n", program);
  } else {
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", program, reason.c_str());
  }
}

bool finishStandardOutput(const char* program) {
  const int earlier = errno;
  bool failed = !std::cout || std::ferror(stdout) != 0;
  int reason = failed ? earlier : 0;
  errno = 0;
  // std::cout writes through to stdout unless synchronisation was turned
  // off, so both are flushed; a flush that fails knows its own reason.
  if (!std::cout.flush()) {
    failed = true;
    if (errno != 0) reason = errno;
  }
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    failed = true;
    if (errno != 0) reason = errno;
  }
  if (!failed) return true;
  reportStandardOutputFailure(program, reason != 0 ? std::strerror(reason) : "");
  return false;
}

}  // namespace kestrav::cli
