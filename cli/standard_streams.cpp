#include "cli/standard_streams.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <streambuf>

namespace kestrav::cli {
namespace {

bool outputFailureReported = false;
bool readerGone = false;
int firstWriteError = 0;  // errno of the first failed write of standardOutput()

// Writes through to stdout at once, so that its output and printf's keep
// their order, and remembers why the first failed write failed.
class RecordingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
  }
  std::streamsize xsputn(const char* text, std::streamsize size) override {
    errno = 0;
    const std::size_t written = std::fwrite(text, 1, static_cast<std::size_t>(size), stdout);
    if (written != static_cast<std::size_t>(size) && firstWriteError == 0) firstWriteError = errno;
    return static_cast<std::streamsize>(written);
  }
  int sync() override {
    errno = 0;
    if (std::fflush(stdout) == 0) return 0;
    if (firstWriteError == 0) firstWriteError = errno;
    return -1;
  }
};

// A pipe or socket without a reader polls as an error (or hang-up) for its
// writer: that, rather than errno, says why the write failed.
bool noReaderOnStandardOutput() {
  pollfd out{STDOUT_FILENO, POLLOUT, 0};
  return ::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP)) != 0;
}

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
  if (noReaderOnStandardOutput()) {
    readerGone = true;
    return;
  }
  if (reason.empty()) {
    std::fprintf(stderr, "%s: cannot write standard output\n", program);
  } else {
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", program, reason.c_str());
  }
}

bool standardOutputReaderGone() { return readerGone; }

std::ostream& standardOutput() {
  static RecordingBuffer buffer;
  static std::ostream stream(&buffer);
  return stream;
}

bool finishStandardOutput(const char* program) {
  // errno no longer tells why an earlier write failed: standardOutput()
  // kept its reason, and the flushes below give theirs.
  bool failed = !std::cout || !standardOutput() || std::ferror(stdout) != 0;
  int reason = firstWriteError;
  errno = 0;
  // std::cout writes through to stdout unless synchronisation was turned
  // off, so both are flushed; a flush that fails knows its own reason.
  if (!std::cout.flush() || !standardOutput().flush()) {
    failed = true;
    if (errno != 0 && reason == 0) reason = errno;
  }
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    failed = true;
    if (errno != 0 && reason == 0) reason = errno;
  }
  if (!failed) return true;
  reportStandardOutputFailure(program, reason != 0 ? std::strerror(reason) : "");
  return false;
}

int finishProcess(const char* program, int status) {
  if (!finishStandardOutput(program) && status == 0) status = 1;
  if (!readerGone) return status;
  std::signal(SIGPIPE, SIG_DFL);
  sigset_t pipeOnly;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  ::sigprocmask(SIG_UNBLOCK, &pipeOnly, nullptr);
  std::raise(SIGPIPE);
  return 128 + SIGPIPE;  // not reached: the signal ends the process
}

}  // namespace kestrav::cli
