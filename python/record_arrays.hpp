#pragma once
// Records as NumPy arrays: gathered from a search's RecordBlocks in pieces
// of fixed size (no reallocation and copying as they grow), then moved into
// one buffer that a read-only (records, entries) int32 array owns.

#include <pybind11/numpy.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kestrav::python {

namespace py = pybind11;

class RecordStore {
 public:
  explicit RecordStore(int entryCount) : width_(static_cast<std::size_t>(entryCount)) {}

  // Called without the GIL, from one thread at a time.
  void append(const std::int32_t* entries, std::size_t records);
  std::size_t records() const { return values_ / width_; }
  int entryCount() const { return static_cast<int>(width_); }

  // Every record in one buffer, in order; each piece is freed once copied,
  // so that the records are held about once, not twice, at the peak.
  std::unique_ptr<std::int32_t[]> takeAll();

 private:
  static constexpr std::size_t kPieceValues = std::size_t{1} << 20;
  std::size_t width_;
  std::vector<std::unique_ptr<std::int32_t[]>> pieces_;
  std::size_t values_ = 0;  // in all pieces; the last is filled to values_ % kPieceValues
};

// `records` rows of `entryCount` values as a read-only array that owns them.
// Needs the GIL.
py::array_t<std::int32_t> recordsArray(std::unique_ptr<std::int32_t[]> values, std::size_t records,
                                       int entryCount);

}  // namespace kestrav::python
