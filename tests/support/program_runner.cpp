#include "tests/support/program_runner.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace kestrav::testing {

std::filesystem::path programPath(int number) {
  return std::filesystem::path(KESTRAV_PROGRAM_DIR) / ("kestrav" + std::to_string(number));
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

RunResult runCommand(const std::filesystem::path& workingDirectory, std::vector<std::string> command) {
  const std::filesystem::path outPath =
      std::filesystem::temp_directory_path() / ("kestrav-run-" + std::to_string(::getpid()) + ".out");
  const std::filesystem::path errPath = outPath.string() + ".err";
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
        ::chdir(workingDirectory.c_str()) != 0) {
      ::_exit(127);
    }
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  RunResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return result;
}

}  // namespace

RunResult runIn(const std::filesystem::path& workingDirectory, const std::filesystem::path& executable,
                const std::vector<std::string>& arguments) {
  std::vector<std::string> command = emulatorWords();
  command.push_back(executable.string());
  command.insert(command.end(), arguments.begin(), arguments.end());
  return runCommand(workingDirectory, std::move(command));
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
  return std::filesystem::path(KESTRAV_RESULT_CACHE) / ("OutputPart" + std::to_string(number) + ".txt");
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
    if (run.exitStatus != 0)
      throw std::runtime_error("kestrav" + std::to_string(number) + " failed: " + run.err);
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
