#include "python/arguments.hpp"

#include <utility>
#include <vector>

#include "kestrav/values.hpp"

namespace kestrav::python {
namespace {

// A str as it is, or the items of a sequence joined by `separator`.
std::string listWord(py::handle value, const char* keyword, const char* separator) {
  if (py::isinstance<py::str>(value) || !py::isinstance<py::iterable>(value)) return wordOf(value, keyword);
  std::string word;
  bool first = true;
  for (py::handle item : value) {
    if (!first) word += separator;
    word += wordOf(item, keyword);
    first = false;
  }
  return word;
}

}  // namespace

std::string keywordOf(Field field) { return field == Field::Program ? "number" : fieldName(field); }

void raiseValueError(const std::string& keyword, const std::string& reason) {
  throw py::value_error(keyword + "=: " + reason);
}

void registerErrorTranslation() {
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const Error& error) {
      const std::string message = keywordOf(error.field()) + "=: " + error.reason();
      PyErr_SetString(PyExc_ValueError, message.c_str());
    }
  });
}

py::int_ integerOf(py::handle value, const char* keyword) {
  PyObject* index = PyNumber_Index(value.ptr());
  if (index == nullptr) {
    PyErr_Clear();
    throw py::type_error(std::string(keyword) + "=: expected an int, not " +
                         std::string(py::str(value.get_type().attr("__name__"))));
  }
  return py::reinterpret_steal<py::int_>(index);
}

std::string wordOf(py::handle value, const char* keyword) {
  if (py::isinstance<py::str>(value)) return value.cast<std::string>();
  return std::string(py::str(integerOf(value, keyword)));
}

Model modelOf(const ModelArguments& a) {
  if (a.gram.is_none() == a.blocks.is_none()) {
    if (a.gram.is_none()) raiseValueError("gram", "give the model's Gram code (or blocks=)");
    throw py::value_error("gram= and blocks=: give one or the other");
  }
  const Layout layout = parseLayoutName(wordOf(a.layout, "layout"));
  const int total = parseTotal(wordOf(a.total, "total"));
  std::vector<int> multipliers = parseMultipliers(listWord(a.multipliers, "multipliers", ","));
  if (!a.gram.is_none())
    return Model::fromGram(wordOf(a.gram, "gram"), layout, total, std::move(multipliers));
  std::vector<Block> blocks;
  // One str of blank-separated blocks, or a sequence of them.
  if (py::isinstance<py::str>(a.blocks)) {
    blocks = parseBlocks(a.blocks.cast<std::string>());
  } else {
    for (py::handle item : a.blocks) {
      for (Block& block : parseBlocks(wordOf(item, "blocks"))) blocks.push_back(std::move(block));
    }
  }
  return Model::fromBlocks(std::move(blocks), layout, total, std::move(multipliers));
}

void setThreads(py::handle threads, SearchOptions& options) {
  if (!threads.is_none()) options.threads = parseThreads(wordOf(threads, "threads"));
}

PreparedSearch prepareSearch(const ModelArguments& arguments, py::handle threads, py::handle shard) {
  PreparedSearch search{modelOf(arguments), SearchOptions{}, 0};
  setThreads(threads, search.options);
  if (!shard.is_none())
    parseShard(listWord(shard, "shard", "/"), search.options.shardIndex, search.options.shardCount);
  const ShardRange range = shardRange(search.model, search.options.shardIndex, search.options.shardCount);
  search.compositions = range.end - range.first;
  return search;
}

}  // namespace kestrav::python
