#pragma once
// Result files compressed by the suffix of their name: "found.txt.gz" is
// written through zlib, "found.txt.zst" through libzstd, as the records are
// found. A name with the suffix of a compression this build cannot write
// (.xz, or .gz without zlib) is refused rather than written as plain text.

#include <cstdio>
#include <filesystem>
#include <string>

namespace kestrav::engine {

enum class Compression { None, Gzip, Zstd };

// The compression the name asks for. Returns false with a one-line reason
// for a suffix of compressed data that this build cannot write.
bool compressionFor(const std::filesystem::path& name, Compression& compression, std::string& error);

// A stream whose bytes reach `raw` compressed. Closing it writes the end of
// the compressed data and flushes raw, which stays open. Null, with errno
// set, when the compressor cannot be made. Compression::None gives null.
std::FILE* openCompressingStream(std::FILE* raw, Compression compression);

}  // namespace kestrav::engine
