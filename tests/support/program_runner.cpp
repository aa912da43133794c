#include "tests/support/program_runner.hpp"

#include "core/result_name.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace kestrav::testing {

std::filesystem::path programPath(int number) {
  return std::filesystem::path(KESTRAV_PROGRAM_DIR) / programName(number);
}

std::filesystem::path generatorPath() { return KESTRAV_GENERATOR; }

namespace {

// The words of KESTRAV_EMULATOR, the command that runs what this build made
// (qemu-i386 for a 32-bit build on a 64-bit host); none natively.
std::vector<std::string> emulatorWords() {
  std::vector<std::string> words;
  std::istringstream line(KESTRAV_EMULATOR);
  for (std::string word; line >> word;) words.push_back(word);
  return words;
}

// A file that takes one stream of the child: unlike a pipe it needs no
// draining while the child runs, so a child that writes much never blocks.
class CaptureFile {
 public:
  CaptureFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrav-run-XXXXXX").string();
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("mkostemp failed");
    path_ = pattern;
  }
  ~CaptureFile() {
    ::close(fd_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;
  int fd() const { return fd_; }
  std::string text() const { return readFile(path_); }

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

// In the child, between fork and exec: only calls that are safe there.
bool openStream(int target, ChildOptions::Stream how, int captureFd) {
  switch (how) {
    case ChildOptions::Stream::Capture:
      return ::dup2(captureFd, target) >= 0;
    case ChildOptions::Stream::DevNull: {
      const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
      return fd >= 0 && ::dup2(fd, target) >= 0;
    }
    case ChildOptions::Stream::Closed:
      return true;  // closed last, so that no other open takes its number
    case ChildOptions::Stream::ReaderGone: {
      int ends[2];
      return ::pipe(ends) == 0 && ::close(ends[0]) == 0 && ::dup2(ends[1], target) >= 0;
    }
  }
  return false;
}

RunResult runCommand(const std::filesystem::path& workingDirectory, std::vector<std::string> command,
                     const ChildOptions& options = {}) {
  const CaptureFile out;
  const CaptureFile err;
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  rlimit addressSpace{};
  addressSpace.rlim_cur = addressSpace.rlim_max = static_cast<rlim_t>(
      std::min<std::uint64_t>(options.addressSpaceLimit, std::numeric_limits<rlim_t>::max()));

  rlimit fileSize{};
  fileSize.rlim_cur = fileSize.rlim_max =
      static_cast<rlim_t>(std::min<std::uint64_t>(options.fileSizeLimit, std::numeric_limits<rlim_t>::max()));

  const auto started = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    if (::chdir(workingDirectory.c_str()) != 0 || !openStream(1, options.out, out.fd()) ||
        !openStream(2, options.err, err.fd())) {
      ::_exit(127);
    }
    if (!options.outPath.empty()) {
      const int fd = ::open(options.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0 || ::dup2(fd, 1) < 0) ::_exit(127);
    }
    if (options.addressSpaceLimit != 0 && ::setrlimit(RLIMIT_AS, &addressSpace) != 0) ::_exit(127);
    if (options.fileSizeLimit != 0 && ::setrlimit(RLIMIT_FSIZE, &fileSize) != 0) ::_exit(127);
    if (options.out == ChildOptions::Stream::Closed) ::close(1);
    if (options.err == ChildOptions::Stream::Closed) ::close(2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }

  int status = 0;
  bool reaped = false;
  // Until the signal is sent, the child is watched rather than waited for.
  const bool atTime = options.signalAfter.count() > 0 || !options.signalWhen;
  for (bool pending = options.signal != 0; pending && !reaped;) {
    reaped = ::waitpid(child, &status, WNOHANG) == child;
    if (reaped) break;
    if ((options.signalWhen && options.signalWhen()) ||
        (atTime && std::chrono::steady_clock::now() - started >= options.signalAfter)) {
      ::kill(child, options.signal);
      pending = false;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  while (!reaped) {
    reaped = ::waitpid(child, &status, 0) == child;
    if (!reaped && errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  RunResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  result.out = out.text();
  result.err = err.text();
  return result;
}

}  // namespace

RunResult runIn(const std::filesystem::path& workingDirectory, const std::filesystem::path& executable,
                const std::vector<std::string>& arguments) {
  return runIn(workingDirectory, executable, arguments, ChildOptions{});
}

RunResult runIn(const std::filesystem::path& workingDirectory, const std::filesystem::path& executable,
                const std::vector<std::string>& arguments, const ChildOptions& options) {
  std::vector<std::string> command = emulatorWords();
  command.push_back(executable.string());
  command.insert(command.end(), arguments.begin(), arguments.end());
  return runCommand(workingDirectory, std::move(command), options);
}

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrav-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {

std::filesystem::path cachePath(int number) {
  return std::filesystem::path(KESTRAV_RESULT_CACHE) / kestrav::resultFileName(number);
}

}  // namespace

void storeResultFile(int number, const std::filesystem::path& file) {
  std::filesystem::create_directories(KESTRAV_RESULT_CACHE);
  // Copy, then rename: a test reading the cache never sees half a file.
  const std::filesystem::path partial = cachePath(number).string() + "." + std::to_string(::getpid());
  std::filesystem::copy_file(file, partial, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::rename(partial, cachePath(number));
}

std::filesystem::path cachedResultFile(int number) {
  std::filesystem::path cached = cachePath(number);
  std::error_code missing;
  const auto cachedTime = std::filesystem::last_write_time(cached, missing);
  if (missing || cachedTime < std::filesystem::last_write_time(programPath(number))) {
    ScratchDirectory dir;
    const RunResult run = runIn(dir.path(), programPath(number));
    if (run.exitStatus != 0) throw std::runtime_error(programName(number) + " failed: " + run.err);
    storeResultFile(number, dir.path() / cached.filename());
  }
  return cached;
}

std::string sha256(const std::filesystem::path& file) {
  const RunResult run = runCommand(file.parent_path(), {"/usr/bin/sha256sum", file.filename().string()});
  if (run.exitStatus != 0) throw std::runtime_error("sha256sum failed on " + file.string());
  return run.out.substr(0, run.out.find(' '));
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream input(path, std::ios::binary);
  std::ostringstream content;
  content << input.rdbuf();
  return content.str();
}

std::vector<std::string> readLines(const std::filesystem::path& path) {
  std::ifstream input(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(input, line);) lines.push_back(line);
  return lines;
}

}  // namespace kestrav::testing
