#include "python/arguments.hpp"

#include <utility>
#include <vector>

#include "kestrav/values.hpp"

namespace kestrav::python {
namespace {

std::string typeName(py::handle value) { return py::str(value.get_type().attr("__name__")); }

// The decimal of an integer, for the library's readers of numbers.
std::string decimalOf(py::handle value, const char* keyword) { return py::str(integerOf(value, keyword)); }

// The integers of a sequence (not a str), as "a<separator>b...".
std::string integerList(py::handle value, const char* keyword, const char* expected, const char* separator) {
  if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) ||
      !py::isinstance<py::iterable>(value))
    raiseTypeError(keyword, expected, value);
  std::string word;
  bool first = true;
  for (py::handle item : value) {
    if (!first) word += separator;
    word += decimalOf(item, keyword);
    first = false;
  }
  return word;
}

}  // namespace

std::string keywordOf(Field field) { return field == Field::Program ? "number" : fieldName(field); }

void raiseValueError(const std::string& keyword, const std::string& reason) {
  throw py::value_error(keyword + "=: " + reason);
}

void raiseTypeError(const char* keyword, const char* expected, py::handle value) {
  throw py::type_error(std::string(keyword) + "=: expected " + expected + ", not " + typeName(value));
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
    raiseTypeError(keyword, "an int", value);
  }
  return py::reinterpret_steal<py::int_>(index);
}

std::string textOf(py::handle value, const char* keyword) {
  if (!py::isinstance<py::str>(value)) raiseTypeError(keyword, "a str", value);
  return value.cast<std::string>();
}

Model modelOf(const ModelArguments& a) {
  if (a.gram.is_none() == a.blocks.is_none()) {
    if (a.gram.is_none()) raiseValueError("gram", "give the model's Gram code (or blocks=)");
    throw py::value_error("gram= and blocks=: give one or the other");
  }
  const Layout layout = parseLayoutName(textOf(a.layout, "layout"));
  const int total = parseTotal(decimalOf(a.total, "total"));
  std::vector<int> multipliers =
      parseMultipliers(integerList(a.multipliers, "multipliers", "a sequence of ints", ","));
  if (!a.gram.is_none())
    return Model::fromGram(textOf(a.gram, "gram"), layout, total, std::move(multipliers));
  std::vector<Block> blocks;
  // One str of blank-separated blocks, or a sequence of them.
  if (py::isinstance<py::str>(a.blocks)) {
    blocks = parseBlocks(a.blocks.cast<std::string>());
  } else {
    if (!py::isinstance<py::iterable>(a.blocks))
      raiseTypeError("blocks", "a str or a sequence of str", a.blocks);
    for (py::handle item : a.blocks) {
      for (Block& block : parseBlocks(textOf(item, "blocks"))) blocks.push_back(std::move(block));
    }
  }
  return Model::fromBlocks(std::move(blocks), layout, total, std::move(multipliers));
}

py::dict modelKeywords(const Model& model) {
  py::dict keywords;
  if (model.fromGramCode()) {
    keywords["gram"] = model.blocks().front().gramCode;
    keywords["blocks"] = py::none();
  } else {
    py::list blocks;
    for (const Block& block : model.blocks()) blocks.append(formatBlock(block));
    keywords["gram"] = py::none();
    keywords["blocks"] = py::tuple(blocks);
  }
  keywords["layout"] = layoutName(model.layout());
  keywords["total"] = model.total();
  py::list multipliers;
  for (int multiplier : model.multipliers()) multipliers.append(multiplier);
  keywords["multipliers"] = py::tuple(multipliers);
  return keywords;
}

void setThreads(py::handle threads, SearchOptions& options) {
  if (!threads.is_none()) options.threads = parseThreads(decimalOf(threads, "threads"));
}

PreparedSearch prepareSearch(const ModelArguments& arguments, py::handle threads, py::handle shard) {
  PreparedSearch search{modelOf(arguments), SearchOptions{}, 0};
  setThreads(threads, search.options);
  if (!shard.is_none()) {
    if (py::isinstance<py::str>(shard) || !py::isinstance<py::sequence>(shard) || py::len(shard) != 2)
      raiseTypeError("shard", "a pair (i, N)", shard);
    parseShard(integerList(shard, "shard", "a pair (i, N)", "/"), search.options.shardIndex,
               search.options.shardCount);
  }
  const ShardRange range = shardRange(search.model, search.options.shardIndex, search.options.shardCount);
  search.compositions = range.end - range.first;
  return search;
}

}  // namespace kestrav::python
