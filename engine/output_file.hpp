#pragma once
// A result file that appears only when it is complete. A regular file, or a
// name not yet taken, is written as a hidden temporary file in the same
// directory and renamed over the name by commit(): the rename is atomic, so
// the name holds the earlier file or the complete new one, never a part.
// Until then, abandon() (or the destructor) removes the temporary file and
// leaves an earlier file untouched. Anything else under the name (a device
// such as /dev/null, a FIFO, a terminal) is written directly, never replaced.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kestrav::engine {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { abandon(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Returns false with the system's reason when the file cannot be created,
  // or with why its name's compression cannot be written
  // (engine/compressed_stream.hpp). stream() takes the uncompressed text;
  // `stored`, when given, sees the bytes of a compressed file as they reach
  // it (the text itself is what a plain file stores).
  bool open(const std::filesystem::path& target, std::string& error,
            std::function<void(std::string_view)> stored = {});
  std::FILE* stream() const { return file_; }
  bool compressed() const { return raw_ != nullptr; }

  // Writes the end of the compressed data (nothing for a plain file), so
  // that every stored byte is known before commit(); stream() then writes
  // to the file itself. Returns false with the system's reason.
  bool endCompression(std::string& error);

  // Flushes and closes the file and gives it its name. With sync, the data
  // reaches the disk before the rename and the rename before the return
  // (fsync of the file, then of its directory). Returns false with the
  // system's reason, having abandoned the file, when any step fails.
  bool commit(bool sync, std::string& error);

  // Closes and removes an uncommitted temporary file.
  void abandon();

  // Whether the target is written in place (a device, a FIFO).
  bool direct() const { return file_ != nullptr && temporary_.empty(); }

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;  // empty when written directly
  std::FILE* file_ = nullptr;        // what stream() gives: raw_ when not compressed
  std::FILE* raw_ = nullptr;         // the file itself under a compressing stream
};

// A small file that belongs to a result file (its manifest).
struct Companion {
  std::filesystem::path path;
  std::string text;
};

// Commits the result and then writes the companion as an output file of
// its own. An earlier file under the companion's name is removed before the
// result is renamed, so that a new result never stands beside an old
// companion; an interruption between the two renames leaves the new result
// alone. Returns false with the reason (naming the companion for its own).
// commitResult commits the result (its argument takes the reason it fails).
bool commitWithCompanion(const std::function<bool(std::string&)>& commitResult, const Companion& companion,
                         bool sync, std::string& error);
inline bool commitWithCompanion(OutputFile& result, const Companion& companion, bool sync,
                                std::string& error) {
  return commitWithCompanion([&](std::string& reason) { return result.commit(sync, reason); }, companion,
                             sync, error);
}

}  // namespace kestrav::engine
