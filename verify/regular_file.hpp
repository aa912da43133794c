#pragma once
// Reading a file that must be a regular file. Whatever else stands under its
// name (a directory, a FIFO, a socket, a device such as /dev/zero) is refused
// before the first read, so that a check never blocks on a FIFO, never reads
// without end, and never meets a read error it did not expect.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kestrav {

// Opens the file without blocking, checks on the open descriptor that it is
// a regular file and passes its bytes to `chunk` piece by piece. Returns an
// empty string on success, otherwise why not, naming the file, e.g.
// "DIR/OutputPart5.txt is a directory, not a regular file" or
// "cannot read DIR/OutputPart5.txt: No such file or directory".
std::string readRegularFile(const std::filesystem::path& file,
                            const std::function<void(std::string_view)>& chunk);

// The whole of a small regular file (a table, a catalogue) in `text`.
std::string readRegularFileText(const std::filesystem::path& file, std::string& text);

}  // namespace kestrav
