#include "engine/compressed_stream.hpp"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#ifdef KESTRAV_GZIP
#include <zlib.h>
#endif
#ifdef KESTRAV_ZSTD
#include <zstd.h>
#endif

namespace kestrav::engine {
namespace {

struct Suffix {
  std::string_view suffix;
  Compression compression;
  bool built;
  std::string_view package;  // that builds it in
};

constexpr Suffix kSuffixes[] = {
#ifdef KESTRAV_GZIP
    {".gz", Compression::Gzip, true, "zlib1g-dev"},
#else
    {".gz", Compression::Gzip, false, "zlib1g-dev"},
#endif
#ifdef KESTRAV_ZSTD
    {".zst", Compression::Zstd, true, "libzstd-dev"},
#else
    {".zst", Compression::Zstd, false, "libzstd-dev"},
#endif
};

// Suffixes of compressed data that no build writes.
constexpr std::string_view kOtherCompressed[] = {".bz2", ".xz", ".lz",  ".lz4", ".lzma",
                                                 ".lzo", ".Z",  ".zip", ".br",  ".7z"};

constexpr std::size_t kChunk = 1 << 16;

// Writes compressed output to the raw stream; false with errno on failure.
class Compressor {
 public:
  Compressor(std::FILE* raw, std::function<void(std::string_view)> stored)
      : raw_(raw), stored_(std::move(stored)) {}
  virtual ~Compressor() = default;
  virtual bool write(const char* data, std::size_t size) = 0;
  virtual bool finish() = 0;

 protected:
  bool emit(const char* data, std::size_t size) {
    errno = 0;
    if (std::fwrite(data, 1, size, raw_) != size) {
      if (errno == 0) errno = EIO;
      return false;
    }
    if (stored_) stored_(std::string_view(data, size));
    return true;
  }
  std::FILE* raw_;
  std::function<void(std::string_view)> stored_;
  char buffer_[kChunk];
};

#ifdef KESTRAV_GZIP
class GzipCompressor : public Compressor {
 public:
  GzipCompressor(std::FILE* raw, std::function<void(std::string_view)> stored)
      : Compressor(raw, std::move(stored)) {
    // 15 + 16: a window of 32 KiB with the gzip header and trailer.
    ready_ =
        deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~GzipCompressor() override {
    if (ready_) deflateEnd(&stream_);
  }
  bool ready() const { return ready_; }
  bool write(const char* data, std::size_t size) override { return run(data, size, Z_NO_FLUSH); }
  bool finish() override { return run(nullptr, 0, Z_FINISH); }

 private:
  bool run(const char* data, std::size_t size, int flush) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream_.avail_in = static_cast<uInt>(size);
    int status = Z_OK;
    do {
      stream_.next_out = reinterpret_cast<Bytef*>(buffer_);
      stream_.avail_out = kChunk;
      status = deflate(&stream_, flush);
      if (status == Z_STREAM_ERROR) {
        errno = EIO;
        return false;
      }
      if (!emit(buffer_, kChunk - stream_.avail_out)) return false;
    } while (stream_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    return true;
  }
  z_stream stream_{};
  bool ready_ = false;
};
#endif

#ifdef KESTRAV_ZSTD
class ZstdCompressor : public Compressor {
 public:
  ZstdCompressor(std::FILE* raw, std::function<void(std::string_view)> stored)
      : Compressor(raw, std::move(stored)), context_(ZSTD_createCCtx()) {}
  ~ZstdCompressor() override { ZSTD_freeCCtx(context_); }
  bool ready() const { return context_ != nullptr; }
  bool write(const char* data, std::size_t size) override { return run(data, size, ZSTD_e_continue); }
  bool finish() override { return run(nullptr, 0, ZSTD_e_end); }

 private:
  bool run(const char* data, std::size_t size, ZSTD_EndDirective mode) {
    ZSTD_inBuffer in{data, size, 0};
    std::size_t left = 0;
    do {
      ZSTD_outBuffer out{buffer_, kChunk, 0};
      left = ZSTD_compressStream2(context_, &out, &in, mode);
      if (ZSTD_isError(left)) {
        errno = EIO;
        return false;
      }
      if (!emit(buffer_, out.pos)) return false;
    } while (mode == ZSTD_e_end ? left != 0 : in.pos < in.size);
    return true;
  }
  ZSTD_CCtx* context_;
};
#endif

// Unused in a build without either library.
[[maybe_unused]] ssize_t writeCompressed(void* cookie, const char* data, std::size_t size) {
  return static_cast<Compressor*>(cookie)->write(data, size) ? static_cast<ssize_t>(size) : -1;
}

[[maybe_unused]] int closeCompressed(void* cookie) {
  const std::unique_ptr<Compressor> compressor(static_cast<Compressor*>(cookie));
  return compressor->finish() ? 0 : -1;
}

template <class Kind>
std::FILE* streamOf(std::unique_ptr<Kind> compressor) {
  if (!compressor->ready()) {
    errno = ENOMEM;
    return nullptr;
  }
  cookie_io_functions_t functions{};
  functions.write = writeCompressed;
  functions.close = closeCompressed;
  std::FILE* stream = ::fopencookie(compressor.get(), "w", functions);
  if (stream != nullptr) compressor.release();  // closeCompressed deletes it
  return stream;
}

#ifdef KESTRAV_GZIP
// Gzip data of one or more members, one after the other (as cat joins them).
class GzipDecompressor : public Decompressor {
 public:
  GzipDecompressor() { ready_ = inflateInit2(&stream_, 15 + 16) == Z_OK; }
  ~GzipDecompressor() override {
    if (ready_) inflateEnd(&stream_);
  }
  bool ready() const { return ready_; }

  std::string add(std::string_view data, const std::function<bool(std::string_view)>& take) override {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream_.avail_in = static_cast<uInt>(data.size());
    for (;;) {
      if (ended_ && stream_.avail_in > 0) {  // another member follows
        if (inflateReset(&stream_) != Z_OK) return "not gzip data";
        ended_ = false;
      }
      stream_.next_out = reinterpret_cast<Bytef*>(buffer_);
      stream_.avail_out = kChunk;
      const int status = inflate(&stream_, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
        return stream_.msg != nullptr ? std::string("not gzip data: ") + stream_.msg : "not gzip data";
      ended_ = ended_ || status == Z_STREAM_END;
      const std::size_t got = kChunk - stream_.avail_out;
      if (got > 0 && !take(std::string_view(buffer_, got))) return "";
      // Done when the input is used up and the buffer was not filled.
      if (stream_.avail_in == 0 && stream_.avail_out > 0) return "";
    }
  }

  std::string finish() const override { return ended_ ? "" : "the gzip data ends early"; }

 private:
  z_stream stream_{};
  bool ready_ = false;
  bool ended_ = false;  // at the end of a member
  char buffer_[kChunk];
};
#endif

#ifdef KESTRAV_ZSTD
// Zstandard data of one or more frames.
class ZstdDecompressor : public Decompressor {
 public:
  ZstdDecompressor() : context_(ZSTD_createDCtx()) {}
  ~ZstdDecompressor() override { ZSTD_freeDCtx(context_); }
  bool ready() const { return context_ != nullptr; }

  std::string add(std::string_view data, const std::function<bool(std::string_view)>& take) override {
    ZSTD_inBuffer in{data.data(), data.size(), 0};
    for (;;) {
      ZSTD_outBuffer out{buffer_, kChunk, 0};
      const std::size_t left = ZSTD_decompressStream(context_, &out, &in);
      if (ZSTD_isError(left)) return std::string("not zstd data: ") + ZSTD_getErrorName(left);
      ended_ = left == 0;
      if (out.pos > 0 && !take(std::string_view(buffer_, out.pos))) return "";
      // Done when the input is used up and the buffer was not filled.
      if (in.pos == in.size && out.pos < kChunk) return "";
    }
  }

  std::string finish() const override { return ended_ ? "" : "the zstd data ends early"; }

 private:
  ZSTD_DCtx* context_;
  bool ended_ = false;  // at the end of a frame
  char buffer_[kChunk];
};
#endif

template <class Kind>
std::unique_ptr<Decompressor> readyOrNull(std::unique_ptr<Kind> decompressor) {
  if (!decompressor->ready()) return nullptr;
  return decompressor;
}

}  // namespace

std::unique_ptr<Decompressor> Decompressor::make(Compression compression) {
  switch (compression) {
    case Compression::Gzip:
#ifdef KESTRAV_GZIP
      return readyOrNull(std::make_unique<GzipDecompressor>());
#else
      break;
#endif
    case Compression::Zstd:
#ifdef KESTRAV_ZSTD
      return readyOrNull(std::make_unique<ZstdDecompressor>());
#else
      break;
#endif
    case Compression::None:
      break;
  }
  return nullptr;
}

bool compressionFor(const std::filesystem::path& name, Compression& compression, std::string& error) {
  const std::string extension = name.extension().string();
  compression = Compression::None;
  for (const Suffix& entry : kSuffixes) {
    if (extension != entry.suffix) continue;
    if (!entry.built) {
      error = "this build reads and writes no " + extension + " files (built without " +
              std::string(entry.package) + ")";
      return false;
    }
    compression = entry.compression;
    return true;
  }
  for (std::string_view other : kOtherCompressed) {
    if (extension == other) {
      error = extension + " is a compression kestrav does not read or write (.gz and .zst are)";
      return false;
    }
  }
  return true;
}

std::FILE* openCompressingStream(std::FILE* raw, Compression compression,
                                 std::function<void(std::string_view)> stored) {
  switch (compression) {
    case Compression::Gzip:
#ifdef KESTRAV_GZIP
      return streamOf(std::make_unique<GzipCompressor>(raw, std::move(stored)));
#else
      break;
#endif
    case Compression::Zstd:
#ifdef KESTRAV_ZSTD
      return streamOf(std::make_unique<ZstdCompressor>(raw, std::move(stored)));
#else
      break;
#endif
    case Compression::None:
      break;
  }
  (void)raw;
  (void)stored;
  errno = EINVAL;
  return nullptr;
}

}  // namespace kestrav::engine
