#include "python/record_arrays.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrav::python {
namespace {

// The first mapping; each growth doubles it. Pages never written take no memory.
constexpr std::size_t kFirstMapping = std::size_t{4} << 20;

struct Mapping {
  void* base;
  std::size_t bytes;
};

// Makes `array` read-only: it shows records, not a buffer to fill.
py::array_t<std::int32_t> readOnly(py::array_t<std::int32_t> array) {
  py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return array;
}

}  // namespace

RecordStore::RecordStore(int entryCount) : width_(static_cast<std::size_t>(entryCount)) {
  base_ = ::mmap(nullptr, kFirstMapping, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base_ == MAP_FAILED) {
    base_ = nullptr;
    throw std::bad_alloc();
  }
  capacity_ = kFirstMapping;
}

RecordStore::~RecordStore() {
  if (base_ != nullptr) ::munmap(base_, capacity_);
}

void RecordStore::append(const std::int32_t* entries, std::size_t records) {
  const std::size_t bytes = records * width_ * sizeof(std::int32_t);
  if (capacity_ - used_ < bytes) {
    std::size_t grown = capacity_;
    while (grown - used_ < bytes) grown *= 2;
    void* moved = ::mremap(base_, capacity_, grown, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) throw std::bad_alloc();
    base_ = moved;
    capacity_ = grown;
  }
  std::memcpy(static_cast<char*>(base_) + used_, entries, bytes);
  used_ += bytes;
}

py::array_t<std::int32_t> RecordStore::release() {
  auto mapping = std::make_unique<Mapping>(Mapping{base_, capacity_});
  py::capsule owner(mapping.get(), [](void* p) {
    const std::unique_ptr<Mapping> m(static_cast<Mapping*>(p));
    ::munmap(m->base, m->bytes);
  });
  mapping.release();
  const auto* data = static_cast<const std::int32_t*>(base_);
  base_ = nullptr;  // the capsule owns the mapping now
  const auto rows = static_cast<py::ssize_t>(used_ / (width_ * sizeof(std::int32_t)));
  return readOnly(py::array_t<std::int32_t>({rows, static_cast<py::ssize_t>(width_)}, data, owner));
}

py::array_t<std::int32_t> recordsArray(std::unique_ptr<std::int32_t[]> values, std::size_t records,
                                       int entryCount) {
  py::capsule owner(values.get(), [](void* p) { delete[] static_cast<std::int32_t*>(p); });
  const std::int32_t* data = values.release();
  return readOnly(py::array_t<std::int32_t>(
      {static_cast<py::ssize_t>(records), static_cast<py::ssize_t>(entryCount)}, data, owner));
}

}  // namespace kestrav::python
