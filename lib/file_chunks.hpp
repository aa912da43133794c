#pragma once
// A file read as a stream of pieces, for the readers that check or copy
// result files: memory stays the size of one piece, whatever the file.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrav::detail {

inline constexpr std::size_t kChunkSize = std::size_t{1} << 20;

// Hands every piece of the file to take(piece), in order, until it returns
// false. Returns "" or the reason the file could not be read.
template <class Take>
std::string readChunks(const std::filesystem::path& file, Take&& take) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) return std::strerror(errno);
  std::string buffer(kChunkSize, '\0');
  std::string failure;
  for (;;) {
    errno = 0;
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got > 0 && !take(std::string_view(buffer.data(), got))) break;
    if (got < buffer.size()) {
      if (std::ferror(in)) failure = errno != 0 ? std::strerror(errno) : "input/output error";
      break;
    }
  }
  std::fclose(in);
  return failure;
}

}  // namespace kestrav::detail
