#pragma once
// SHA-256 of a byte stream, as sha256sum prints it (64 lowercase hex digits).

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrav {

// The hash of bytes given piece by piece, so that a file is hashed in the
// same pass that reads it.
class Sha256 {
 public:
  Sha256();
  void update(std::string_view bytes);
  // Pads the message and returns the digest; the object is spent after it.
  std::string hex();

 private:
  std::array<std::uint32_t, 8> state_;
  std::array<unsigned char, 64> block_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes so far
};

std::string sha256Hex(std::string_view bytes);

// nullopt when the file is not a regular file or cannot be read.
std::optional<std::string> sha256OfFile(const std::filesystem::path& file);

}  // namespace kestrav
