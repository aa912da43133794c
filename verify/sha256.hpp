#pragma once
// SHA-256 of a byte stream, as sha256sum prints it (64 lowercase hex digits).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrav {

std::string sha256Hex(std::string_view bytes);

// nullopt when the file cannot be read.
std::optional<std::string> sha256OfFile(const std::filesystem::path& file);

}  // namespace kestrav
