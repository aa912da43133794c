// The C API of kestrav.h over the C++ API. Every entry point runs its body
// under `guarded`, which turns whatever the C++ side throws into a status
// and this thread's last error, so that no exception reaches a C caller.

#include "kestrav/kestrav.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_fields.hpp"
#include "kestrav/kestrav.hpp"

struct kestrav_model {
  kestrav::Model model;
};

namespace {

// Input refused that no kestrav::Field names: a NULL handle or out-pointer,
// an array too short for the answer, an index out of range.
struct BadArgument {
  std::string message;
};

// The last failure on this thread. Storing a message can itself run out of
// memory; a static text stands in for it then.
struct LastError {
  std::string message;
  const char* fixed = nullptr;
  kestrav_field field = KESTRAV_FIELD_NONE;
};
thread_local LastError lastError;

void resetError() noexcept {
  lastError.message.clear();
  lastError.fixed = nullptr;
  lastError.field = KESTRAV_FIELD_NONE;
}

kestrav_status fail(kestrav_status status, kestrav_field field, const char* message) noexcept {
  lastError.field = field;
  try {
    lastError.message = message;
    lastError.fixed = nullptr;
  } catch (...) {
    lastError.fixed = "out of memory (while keeping the message of an error)";
  }
  return status;
}

kestrav_status fail(kestrav_status status, const std::string& message) noexcept {
  return fail(status, KESTRAV_FIELD_NONE, message.c_str());
}

// The fields of kestrav.h for the library's, whose names they share.
constexpr struct {
  kestrav::Field field;
  kestrav_field cField;
} kFields[] = {{kestrav::Field::Gram, KESTRAV_FIELD_GRAM},
               {kestrav::Field::Blocks, KESTRAV_FIELD_BLOCKS},
               {kestrav::Field::Entries, KESTRAV_FIELD_ENTRIES},
               {kestrav::Field::Layout, KESTRAV_FIELD_LAYOUT},
               {kestrav::Field::Total, KESTRAV_FIELD_TOTAL},
               {kestrav::Field::Multipliers, KESTRAV_FIELD_MULTIPLIERS},
               {kestrav::Field::Threads, KESTRAV_FIELD_THREADS},
               {kestrav::Field::Shard, KESTRAV_FIELD_SHARD},
               {kestrav::Field::Simd, KESTRAV_FIELD_SIMD},
               {kestrav::Field::Program, KESTRAV_FIELD_PROGRAM},
               {kestrav::Field::Catalogue, KESTRAV_FIELD_CATALOGUE},
               {kestrav::Field::Checks, KESTRAV_FIELD_CHECKS},
               {kestrav::Field::Checkpoint, KESTRAV_FIELD_CHECKPOINT},
               {kestrav::Field::Manifest, KESTRAV_FIELD_MANIFEST}};

kestrav_field fieldOf(kestrav::Field field) {
  for (const auto& entry : kFields) {
    if (entry.field == field) return entry.cField;
  }
  return KESTRAV_FIELD_NONE;
}

template <class Body>
kestrav_status guarded(Body&& body) noexcept {
  resetError();
  try {
    return body();
  } catch (const BadArgument& bad) {
    return fail(KESTRAV_INVALID, bad.message);
  } catch (const kestrav::Error& error) {
    return fail(KESTRAV_INVALID, fieldOf(error.field()), error.what());
  } catch (const std::bad_alloc&) {
    return fail(KESTRAV_NO_MEMORY, KESTRAV_FIELD_NONE, "out of memory");
  } catch (const std::exception& error) {
    return fail(KESTRAV_INTERNAL, KESTRAV_FIELD_NONE, error.what());
  } catch (...) {
    return fail(KESTRAV_INTERNAL, KESTRAV_FIELD_NONE, "an unknown exception");
  }
}

template <class Pointer>
void require(Pointer pointer, const char* name) {
  if (pointer == nullptr) throw BadArgument{std::string(name) + ": NULL"};
}

std::string_view requiredText(const char* text, kestrav::Field field) {
  if (text == nullptr) throw kestrav::Error(field, "NULL");
  return text;
}

const kestrav::Model& modelOf(const kestrav_model* model) {
  require(model, "model");
  return model->model;
}

// An output array of the caller: NULL with length 0 leaves it out.
template <class T>
void checkOutput(const T* array, std::size_t length, std::size_t needed, const char* name) {
  if (array == nullptr && length == 0) return;
  if (array == nullptr) throw BadArgument{std::string(name) + ": NULL with length " + std::to_string(length)};
  if (length < needed) {
    throw BadArgument{std::string(name) + ": room for " + std::to_string(length) + ", " +
                      std::to_string(needed) + " needed"};
  }
}

template <class T, class Values>
void writeOutput(T* array, const Values& values) {
  if (array == nullptr) return;
  std::copy(values.begin(), values.end(), array);
}

std::vector<int> multipliersOf(const int* multipliers, std::size_t count) {
  if (count == 0) return {1};
  if (multipliers == nullptr)
    throw kestrav::Error(kestrav::Field::Multipliers, "NULL with " + std::to_string(count) + " values");
  return std::vector<int>(multipliers, multipliers + count);
}

std::span<const std::int64_t> tupleOf(const std::int64_t* entries, std::size_t count) {
  if (entries == nullptr && count > 0)
    throw kestrav::Error(kestrav::Field::Entries, "NULL with " + std::to_string(count) + " values");
  return {entries, count};
}

kestrav_status newModel(kestrav::Model model, kestrav_model** out) {
  *out = new kestrav_model{std::move(model)};
  return KESTRAV_OK;
}

bool flagSet(const volatile int* flag) {
  return flag != nullptr && __atomic_load_n(flag, __ATOMIC_RELAXED) != 0;
}

// The caller's options and callbacks around one search. The C cancel flag
// becomes the search's atomic flag: the progress hook, which the search
// calls from this thread a few times a second, passes it on. A callback
// that throws (a C++ caller's) stops the search; its exception is reported
// once the search has returned.
class SearchCall {
 public:
  explicit SearchCall(const kestrav_search_options* options) {
    if (options != nullptr) {
      given_ = *options;
    } else {
      kestrav_search_options_init(&given_);
    }
    stop_ = flagSet(given_.cancel);
  }

  kestrav::SearchOptions options() {
    kestrav::SearchOptions options;
    options.threads = given_.threads;
    options.shardIndex = given_.shardIndex;
    options.shardCount = given_.shardCount;
    options.cancel = &stop_;
    options.progress = [this](std::uint64_t done, std::uint64_t total) {
      if (given_.progress != nullptr) run([&] { given_.progress(done, total, given_.progressUser); });
      if (flagSet(given_.cancel)) stop_ = true;
    };
    return options;
  }

  // The consumer of kestrav::search for a record callback.
  kestrav::RecordConsumer consumer(kestrav_record_fn onRecords, void* user) {
    return [this, onRecords, user](const kestrav::RecordBlock& block) {
      if (stop_ || flagSet(given_.cancel)) return false;
      int stopped = 0;
      run([&] { stopped = onRecords(block.entries, block.records, block.entryCount, block.pass, user); });
      if (stopped != 0) stoppedByCallback_ = true;
      return stopped == 0 && !stop_;
    };
  }

  // The status of the finished search, with its message.
  kestrav_status status(const kestrav::SearchSummary& summary, const std::string& failurePrefix = "") const {
    if (thrown_) return fail(KESTRAV_INTERNAL, "a callback threw an exception: " + describe(thrown_));
    switch (summary.status) {
      case kestrav::SearchStatus::Complete:
        return KESTRAV_OK;
      case kestrav::SearchStatus::Cancelled:
        return fail(KESTRAV_CANCELLED, stoppedByCallback_ ? "the record callback stopped the search"
                                                          : "the search was cancelled");
      case kestrav::SearchStatus::Failed:
        break;
    }
    return fail(KESTRAV_FAILED, failurePrefix + summary.error);
  }

 private:
  template <class Call>
  void run(Call&& call) {
    try {
      call();
    } catch (...) {
      // The first exception is kept; the search then stops.
      if (!threw_.exchange(true)) thrown_ = std::current_exception();
      stop_ = true;
    }
  }

  static std::string describe(const std::exception_ptr& thrown) {
    try {
      std::rethrow_exception(thrown);
    } catch (const std::exception& error) {
      return error.what();
    } catch (...) {
      return "an unknown exception";
    }
  }

  kestrav_search_options given_{};
  std::atomic<bool> stop_{false};
  std::atomic<bool> threw_{false};
  std::exception_ptr thrown_;       // written once, before threw_ is seen
  bool stoppedByCallback_ = false;  // written by the one thread that runs the callback at a time
};

// The records per pass and in all of a summary, to the caller's outputs.
void writeCounts(const std::vector<std::uint64_t>& perPass, std::uint64_t all, std::uint64_t* perPassOut,
                 std::uint64_t* allOut) {
  writeOutput(perPassOut, perPass);
  if (allOut != nullptr) *allOut = all;
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += separator;
    text += part;
  }
  return text;
}

}  // namespace

extern "C" {

const char* kestrav_version(void) { return kestrav::version(); }

const char* kestrav_last_error(void) {
  return lastError.fixed != nullptr ? lastError.fixed : lastError.message.c_str();
}

kestrav_field kestrav_last_error_field(void) { return lastError.field; }

const char* kestrav_field_name(kestrav_field field) {
  if (field == KESTRAV_FIELD_NONE) return "none";
  for (const auto& entry : kFields) {
    if (entry.cField == field) return kestrav::fieldName(entry.field);
  }
  return "?";
}

kestrav_status kestrav_model_from_gram(const char* gramCode, const char* layout, int total,
                                       const int* multipliers, size_t multiplierCount,
                                       kestrav_model** model) {
  return guarded([&] {
    require(model, "model");
    return newModel(
        kestrav::Model::fromGram(requiredText(gramCode, kestrav::Field::Gram),
                                 kestrav::parseLayoutName(requiredText(layout, kestrav::Field::Layout)),
                                 total, multipliersOf(multipliers, multiplierCount)),
        model);
  });
}

kestrav_status kestrav_model_from_blocks(const char* blocks, const char* layout, int total,
                                         const int* multipliers, size_t multiplierCount,
                                         kestrav_model** model) {
  return guarded([&] {
    require(model, "model");
    std::vector<kestrav::Block> parsed;
    for (std::string_view word : kestrav::blankSeparatedWords(requiredText(blocks, kestrav::Field::Blocks)))
      parsed.push_back(kestrav::parseBlock(word));
    return newModel(
        kestrav::Model::fromBlocks(std::move(parsed),
                                   kestrav::parseLayoutName(requiredText(layout, kestrav::Field::Layout)),
                                   total, multipliersOf(multipliers, multiplierCount)),
        model);
  });
}

kestrav_status kestrav_model_from_program(int program, kestrav_model** model) {
  return guarded([&] {
    require(model, "model");
    const kestrav::CatalogueRow* row = kestrav::Catalogue::builtIn().find(program);
    if (row == nullptr)
      throw kestrav::Error(kestrav::Field::Program,
                           std::to_string(program) + ": no such program in the catalogue");
    return newModel(row->model, model);
  });
}

void kestrav_model_free(kestrav_model* model) { delete model; }

kestrav_status kestrav_catalogue_programs(int* numbers, size_t numbersLength, size_t* count) {
  return guarded([&] {
    const std::vector<kestrav::CatalogueRow>& rows = kestrav::Catalogue::builtIn().rows();
    checkOutput(numbers, numbersLength, rows.size(), "numbers");
    for (std::size_t i = 0; numbers != nullptr && i < rows.size(); ++i) numbers[i] = rows[i].number;
    if (count != nullptr) *count = rows.size();
    return KESTRAV_OK;
  });
}

int kestrav_model_entry_count(const kestrav_model* model) {
  return model != nullptr ? model->model.entryCount() : 0;
}

int kestrav_model_pass_count(const kestrav_model* model) {
  return model != nullptr ? static_cast<int>(model->model.multipliers().size()) : 0;
}

int kestrav_model_block_count(const kestrav_model* model) {
  return model != nullptr ? static_cast<int>(model->model.blocks().size()) : 0;
}

kestrav_status kestrav_model_multiplier(const kestrav_model* model, int pass, int* multiplier) {
  return guarded([&] {
    const std::vector<int>& multipliers = modelOf(model).multipliers();
    require(multiplier, "multiplier");
    if (pass < 0 || static_cast<std::size_t>(pass) >= multipliers.size()) {
      throw BadArgument{"pass: " + std::to_string(pass) + " is out of range 0.." +
                        std::to_string(multipliers.size() - 1)};
    }
    *multiplier = multipliers[static_cast<std::size_t>(pass)];
    return KESTRAV_OK;
  });
}

kestrav_status kestrav_model_vanishes_at(const kestrav_model* model, const int64_t* entries,
                                         size_t entryCount, int* vanishes) {
  return guarded([&] {
    const kestrav::Model& checked = modelOf(model);
    require(vanishes, "vanishes");
    *vanishes = checked.vanishesAt(tupleOf(entries, entryCount)) ? 1 : 0;
    return KESTRAV_OK;
  });
}

kestrav_status kestrav_model_block_value(const kestrav_model* model, const int64_t* entries,
                                         size_t entryCount, int block, char* buffer, size_t bufferSize,
                                         size_t* length) {
  return guarded([&] {
    const kestrav::Model& checked = modelOf(model);
    require(length, "length");
    const std::vector<std::string> values = checked.blockValues(tupleOf(entries, entryCount));
    if (block < 0 || static_cast<std::size_t>(block) >= values.size()) {
      throw BadArgument{"block: " + std::to_string(block) + " is out of range 0.." +
                        std::to_string(values.size() - 1)};
    }
    const std::string& value = values[static_cast<std::size_t>(block)];
    checkOutput(buffer, bufferSize, value.size() + 1, "buffer");
    if (buffer != nullptr) std::memcpy(buffer, value.c_str(), value.size() + 1);
    *length = value.size();
    return KESTRAV_OK;
  });
}

void kestrav_search_options_init(kestrav_search_options* options) {
  if (options == nullptr) return;
  *options = kestrav_search_options{};
  options->shardIndex = 1;
  options->shardCount = 1;
}

kestrav_status kestrav_search_size(const kestrav_model* model, uint64_t* perPass, size_t perPassLength,
                                   uint64_t* total) {
  return guarded([&] {
    const kestrav::Model& checked = modelOf(model);
    checkOutput(perPass, perPassLength, checked.multipliers().size(), "perPass");
    const kestrav::SearchSize size = kestrav::searchSize(checked);
    writeCounts(size.perPass, size.total, perPass, total);
    return KESTRAV_OK;
  });
}

kestrav_status kestrav_count_records(const kestrav_model* model, const kestrav_search_options* options,
                                     uint64_t* perPass, size_t perPassLength, uint64_t* records) {
  return guarded([&] {
    const kestrav::Model& checked = modelOf(model);
    checkOutput(perPass, perPassLength, checked.multipliers().size(), "perPass");
    SearchCall call(options);
    const kestrav::SearchSummary summary = kestrav::countRecords(checked, call.options());
    const kestrav_status status = call.status(summary);
    if (status == KESTRAV_OK) writeCounts(summary.recordsPerPass, summary.records, perPass, records);
    return status;
  });
}

kestrav_status kestrav_search(const kestrav_model* model, const kestrav_search_options* options,
                              kestrav_record_fn onRecords, void* user) {
  return guarded([&] {
    const kestrav::Model& checked = modelOf(model);
    require(onRecords, "onRecords");
    SearchCall call(options);
    return call.status(kestrav::search(checked, call.options(), call.consumer(onRecords, user)));
  });
}

kestrav_status kestrav_search_to_file(const kestrav_model* model, const char* path,
                                      const kestrav_search_options* options, int sync, uint64_t* perPass,
                                      size_t perPassLength, uint64_t* records) {
  return guarded([&] {
    const kestrav::Model& checked = modelOf(model);
    require(path, "path");
    checkOutput(perPass, perPassLength, checked.multipliers().size(), "perPass");
    SearchCall call(options);
    const kestrav::SearchSummary summary = kestrav::searchToFile(checked, path, call.options(), sync != 0);
    const kestrav_status status = call.status(summary, "cannot write " + kestrav::quoted(path) + ": ");
    if (status == KESTRAV_OK) writeCounts(summary.recordsPerPass, summary.records, perPass, records);
    return status;
  });
}

kestrav_status kestrav_verify_result_file(int program, const char* path) {
  return guarded([&] {
    require(path, "path");
    const kestrav::ResultVerdict verdict =
        kestrav::verifyResultFile(kestrav::Catalogue::builtIn(), program, path);
    return verdict.ok() ? KESTRAV_OK : fail(KESTRAV_MISMATCH, joined(verdict.problems, "; "));
  });
}

}  // extern "C"
