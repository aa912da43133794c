#pragma once
// Python values as the library's models and search options. A keyword
// takes what the command's option of the same name takes, as a str or in
// Python's own form (an int, a sequence). A bad value raises ValueError
// that names the keyword: "total=: \"0\" is out of range 1..65535".

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

#include "kestrav/error.hpp"
#include "kestrav/model.hpp"
#include "kestrav/search.hpp"

namespace kestrav::python {

namespace py = pybind11;

// The keyword that gives a field: fieldName's word, "number" for a program.
std::string keywordOf(Field field);
// Makes kestrav::Error raise ValueError worded as above.
void registerErrorTranslation();
[[noreturn]] void raiseValueError(const std::string& keyword, const std::string& reason);

// Any integer (int, numpy.int64) as a Python int, through operator.index;
// anything else raises TypeError.
py::int_ integerOf(py::handle value, const char* keyword);
// The text of a str, or the decimal of an integer.
std::string wordOf(py::handle value, const char* keyword);

struct ModelArguments {
  py::object gram;
  py::object blocks;  // a str of blank-separated blocks, or a sequence of blocks
  py::object layout;
  py::object total;
  py::object multipliers;
};

Model modelOf(const ModelArguments& arguments);

// A search as search() and iter_search() run it.
struct PreparedSearch {
  Model model;
  SearchOptions options;
  std::uint64_t compositions = 0;  // of the shard searched
};

// threads and shard may be None (every processor, the whole search).
PreparedSearch prepareSearch(const ModelArguments& arguments, py::handle threads, py::handle shard);
void setThreads(py::handle threads, SearchOptions& options);

}  // namespace kestrav::python
