#pragma once
// Result files compressed by the suffix of their name: "found.txt.gz" is
// written through zlib, "found.txt.zst" through libzstd, as the records are
// found, and read back through the same library. A name with the suffix of
// a compression this build cannot write (.xz, or .gz without zlib) is
// refused rather than written or read as plain text.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kestrav::engine {

enum class Compression { None, Gzip, Zstd };

// The compression the name asks for. Returns false with a one-line reason
// for a suffix of compressed data that this build cannot write or read.
bool compressionFor(const std::filesystem::path& name, Compression& compression, std::string& error);

// A stream whose bytes reach `raw` compressed. Closing it writes the end of
// the compressed data and flushes raw, which stays open. Null, with errno
// set, when the compressor cannot be made. Compression::None gives null.
// `stored`, when given, sees every compressed byte as it goes to raw.
std::FILE* openCompressingStream(std::FILE* raw, Compression compression,
                                 std::function<void(std::string_view)> stored = {});

// Compressed data fed in pieces of any size, handed on as its text.
class Decompressor {
 public:
  // Null for Compression::None or a compression this build lacks.
  static std::unique_ptr<Decompressor> make(Compression compression);
  virtual ~Decompressor() = default;
  // Hands the text of `data` to take(text), in order, until it returns
  // false. Returns "" or why the data is not of its compression; a stop
  // asked by take is no fault.
  virtual std::string add(std::string_view data, const std::function<bool(std::string_view)>& take) = 0;
  // "" when the data fed so far ends where compressed data may end.
  virtual std::string finish() const = 0;
};

}  // namespace kestrav::engine
