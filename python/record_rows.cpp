#include "python/record_rows.hpp"

#include <cerrno>
#include <cstring>

#include "engine/record_format.hpp"
#include "engine/search_model.hpp"

namespace kestrav::python {

bool appendRecords(std::string_view text, int entries, std::vector<std::int32_t>& rows, std::string& error) {
  std::int32_t value = 0;
  int column = 0;
  bool digits = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      // Entries are 16-bit values: a longer number is not a record.
      if (value > 65535) break;
      value = value * 10 + (c - '0');
      digits = true;
    } else if (c == ' ' && digits && column < entries) {
      rows.push_back(value);
      value = 0;
      digits = false;
      ++column;
    } else if (c == '\n' && !digits && column == entries) {
      column = 0;
    } else {
      error = "malformed record from the engine";
      return false;
    }
  }
  if (column != 0 || digits || value > 65535) {
    error = "malformed record from the engine";
    return false;
  }
  return true;
}

bool writeRecords(std::FILE* file, const std::int32_t* rows, std::size_t count, int entries,
                  std::string& error) {
  constexpr std::size_t kBufferSize = std::size_t{1} << 20;
  // Room for one more record: five digits and a blank per entry, a newline.
  constexpr std::size_t kRecordRoom = engine::kMaxEntries * 6 + 1;
  std::string buffer(kBufferSize + kRecordRoom, '\0');
  char* const start = buffer.data();
  char* at = start;
  const auto flush = [&]() {
    const auto size = static_cast<std::size_t>(at - start);
    errno = 0;
    if (std::fwrite(start, 1, size, file) != size) {
      error = errno != 0 ? std::strerror(errno) : "input/output error";
      return false;
    }
    at = start;
    return true;
  };
  const auto width = static_cast<std::size_t>(entries);
  for (std::size_t row = 0; row < count; ++row) {
    for (std::size_t e = 0; e < width; ++e) {
      at = engine::appendEntry(at, static_cast<std::uint32_t>(rows[row * width + e]));
    }
    *at++ = '\n';
    if (static_cast<std::size_t>(at - start) >= kBufferSize && !flush()) return false;
  }
  return flush();
}

}  // namespace kestrav::python
