#pragma once
// Records as read-only (records, entries) int32 NumPy arrays that own their
// memory: a whole search's records, gathered as the search hands them over,
// or one chunk of them.

#include <pybind11/numpy.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kestrav::python {

namespace py = pybind11;

// A whole search's records in one anonymous mapping that grows by mremap,
// which moves the pages instead of copying them: the records are written
// once and held once, however many there are, and the array takes the
// mapping over as it is.
class RecordStore {
 public:
  explicit RecordStore(int entryCount);
  ~RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // Called without the GIL, from one thread at a time. Throws
  // std::bad_alloc when the mapping cannot grow.
  void append(const std::int32_t* entries, std::size_t records);

  // The records as an array that owns the mapping. Needs the GIL.
  py::array_t<std::int32_t> release();

 private:
  std::size_t width_;
  void* base_ = nullptr;
  std::size_t capacity_ = 0;  // bytes mapped
  std::size_t used_ = 0;      // bytes written
};

// `records` rows of `entryCount` values as an array that owns them. Needs the GIL.
py::array_t<std::int32_t> recordsArray(std::unique_ptr<std::int32_t[]> values, std::size_t records,
                                       int entryCount);

}  // namespace kestrav::python
