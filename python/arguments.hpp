#pragma once
// Python values as the library's models and search options. Each keyword
// takes one Python type: text for gram, blocks and layout, integers (any
// type with __index__, nothing else) for numbers, sequences of them for
// multipliers and shard. A value of another type raises TypeError; a value
// the library refuses raises ValueError that names the keyword with the
// library's reason: "total=: \"0\" is out of range 1..65535".

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
[[noreturn]] void raiseTypeError(const char* keyword, const char* expected, py::handle value);

// Any integer (int, numpy.int64, bool) as a Python int, through
// operator.index; anything else raises TypeError.
py::int_ integerOf(py::handle value, const char* keyword);
// A str as it is; anything else raises TypeError.
std::string textOf(py::handle value, const char* keyword);

struct ModelArguments {
  py::object gram;
  py::object blocks;  // a str of blank-separated blocks, or a sequence of blocks
  py::object layout;
  py::object total;
  py::object multipliers;
};

Model modelOf(const ModelArguments& arguments);
// The model as the keyword arguments that give it: gram (or None), blocks
// (a tuple of "POSITIONS:CODE", or None), layout, total, multipliers.
py::dict modelKeywords(const Model& model);

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
