#pragma once
// A file read as a stream of pieces, for the readers that check or copy
// result files: memory stays the size of one piece, whatever the file.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/compressed_stream.hpp"

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

// Hands the text of a result file to take(text), decompressed by the name's
// suffix (.gz, .zst), and its bytes as stored to stored(bytes) when they are
// not the text. Returns "" or the reason the file could not be read, which
// for a compression this build lacks is the one line that refuses its name.
template <class Take, class Stored>
std::string readResultText(const std::filesystem::path& file, Take&& take, Stored&& stored) {
  engine::Compression compression = engine::Compression::None;
  std::string failure;
  if (!engine::compressionFor(file, compression, failure)) return failure;
  if (compression == engine::Compression::None) return readChunks(file, take);
  const std::unique_ptr<engine::Decompressor> decompressor = engine::Decompressor::make(compression);
  if (decompressor == nullptr) return std::strerror(ENOMEM);
  bool taken = true;  // false once take asks to stop
  std::string corrupt;
  failure = readChunks(file, [&](std::string_view piece) {
    stored(piece);
    corrupt = decompressor->add(piece, [&](std::string_view text) { return taken = take(text); });
    return corrupt.empty() && taken;
  });
  if (!failure.empty()) return failure;
  if (!corrupt.empty() || !taken) return corrupt;
  return decompressor->finish();
}

}  // namespace kestrav::detail
