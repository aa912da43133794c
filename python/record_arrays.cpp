#include "python/record_arrays.hpp"

#include <algorithm>
#include <cstring>

namespace kestrav::python {

void RecordStore::append(const std::int32_t* entries, std::size_t records) {
  std::size_t left = records * width_;
  while (left > 0) {
    const std::size_t used = values_ % kPieceValues;
    // A fresh piece: `new T[n]` leaves the memory untouched until it is written.
    if (used == 0) pieces_.emplace_back(new std::int32_t[kPieceValues]);
    const std::size_t take = std::min(left, kPieceValues - used);
    std::memcpy(pieces_.back().get() + used, entries, take * sizeof(std::int32_t));
    entries += take;
    left -= take;
    values_ += take;
  }
}

std::unique_ptr<std::int32_t[]> RecordStore::takeAll() {
  std::unique_ptr<std::int32_t[]> all(new std::int32_t[values_]);
  std::size_t at = 0;
  for (std::unique_ptr<std::int32_t[]>& piece : pieces_) {
    const std::size_t take = std::min(kPieceValues, values_ - at);
    std::memcpy(all.get() + at, piece.get(), take * sizeof(std::int32_t));
    piece.reset();
    at += take;
  }
  pieces_.clear();
  values_ = 0;
  return all;
}

py::array_t<std::int32_t> recordsArray(std::unique_ptr<std::int32_t[]> values, std::size_t records,
                                       int entryCount) {
  py::capsule owner(values.get(), [](void* p) { delete[] static_cast<std::int32_t*>(p); });
  const std::int32_t* data = values.release();
  py::array_t<std::int32_t> array({static_cast<py::ssize_t>(records), static_cast<py::ssize_t>(entryCount)},
                                  data, owner);
  py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return array;
}

}  // namespace kestrav::python
