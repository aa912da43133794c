// One search through one of the library's paths, as a process of its own,
// so that bench/library-vs-command can time it against `kestrav search`:
//
//   count    kestrav::countRecords: records per pass, nothing formatted;
//   consume  kestrav::search with a consumer that reads every entry of every
//            block (their sum is printed, so the reads cannot be dropped).
//
// usage: library_paths count|consume --gram CODE --layout LAYOUT --total T
//                      [--multipliers 1,2,5] [--threads N]
//
// Prints "records per pass: A B C" and "records: N", and for consume
// "entry sum: S". Bad arguments: one line on stderr, status 2; a search that
// does not complete: status 1.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include <kestrav/error.hpp>
#include <kestrav/model.hpp>
#include <kestrav/search.hpp>
#include <kestrav/values.hpp>

namespace {

constexpr const char* kUsage =
    "usage: library_paths count|consume --gram CODE --layout LAYOUT --total T "
    "[--multipliers 1,2,5] [--threads N]\n";

enum class Mode { Count, Consume };

struct Arguments {
  Mode mode = Mode::Count;
  std::string gram;
  kestrav::Layout layout = kestrav::Layout::Bare;
  int total = 0;
  std::vector<int> multipliers{1};
  kestrav::SearchOptions options;
};

// Reads argv with the library's value readers; returns false (after one
// line on stderr) for anything it does not take.
bool readArguments(int argc, char** argv, Arguments& arguments) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return false;
  }
  const std::string_view mode = argv[1];
  if (mode == "count") {
    arguments.mode = Mode::Count;
  } else if (mode == "consume") {
    arguments.mode = Mode::Consume;
  } else {
    std::fprintf(stderr, "library_paths: the mode is count or consume, not %s\n",
                 kestrav::quoted(mode).c_str());
    return false;
  }
  bool haveGram = false, haveLayout = false, haveTotal = false;
  for (int i = 2; i < argc; i += 2) {
    const std::string_view option = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr, "library_paths: %s needs a value\n", kestrav::quoted(option).c_str());
      return false;
    }
    const std::string_view value = argv[i + 1];
    try {
      if (option == "--gram") {
        arguments.gram = value;
        haveGram = true;
      } else if (option == "--layout") {
        arguments.layout = kestrav::parseLayoutName(value);
        haveLayout = true;
      } else if (option == "--total") {
        arguments.total = kestrav::parseTotal(value);
        haveTotal = true;
      } else if (option == "--multipliers") {
        arguments.multipliers = kestrav::parseMultipliers(value);
      } else if (option == "--threads") {
        arguments.options.threads = kestrav::parseThreads(value);
      } else {
        std::fprintf(stderr, "library_paths: unknown option %s\n%s", kestrav::quoted(option).c_str(), kUsage);
        return false;
      }
    } catch (const kestrav::Error& error) {
      std::fprintf(stderr, "library_paths: %s: %s\n", option.data(), error.reason().c_str());
      return false;
    }
  }
  if (!haveGram || !haveLayout || !haveTotal) {
    std::fputs(kUsage, stderr);
    return false;
  }
  return true;
}

void printPerPass(const std::vector<std::uint64_t>& perPass, std::uint64_t records) {
  std::printf("records per pass:");
  for (const std::uint64_t count : perPass) std::printf(" %llu", static_cast<unsigned long long>(count));
  std::printf("\nrecords: %llu\n", static_cast<unsigned long long>(records));
}

bool completed(const kestrav::SearchSummary& summary) {
  if (summary.status == kestrav::SearchStatus::Complete) return true;
  std::fprintf(stderr, "library_paths: the search did not complete%s%s\n", summary.error.empty() ? "" : ": ",
               summary.error.c_str());
  return false;
}

int countPath(const kestrav::Model& model, const kestrav::SearchOptions& options) {
  const kestrav::SearchSummary summary = kestrav::countRecords(model, options);
  if (!completed(summary)) return 1;
  printPerPass(summary.recordsPerPass, summary.records);
  return 0;
}

// The records per pass come from the blocks the consumer saw, and must
// agree with the search's own summary.
int consumePath(const kestrav::Model& model, const kestrav::SearchOptions& options) {
  std::vector<std::uint64_t> perPass(model.multipliers().size(), 0);
  std::uint64_t records = 0;
  std::int64_t entrySum = 0;
  const kestrav::SearchSummary summary =
      kestrav::search(model, options, [&](const kestrav::RecordBlock& block) {
        const std::size_t values = block.records * static_cast<std::size_t>(block.entryCount);
        for (std::size_t i = 0; i < values; ++i) entrySum += block.entries[i];
        perPass[static_cast<std::size_t>(block.pass)] += block.records;
        records += block.records;
        return true;
      });
  if (!completed(summary)) return 1;
  if (perPass != summary.recordsPerPass || records != summary.records) {
    std::fprintf(stderr, "library_paths: the consumer saw %llu records, the search reports %llu\n",
                 static_cast<unsigned long long>(records), static_cast<unsigned long long>(summary.records));
    return 1;
  }
  printPerPass(perPass, records);
  std::printf("entry sum: %lld\n", static_cast<long long>(entrySum));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!readArguments(argc, argv, arguments)) return 2;
  try {
    const kestrav::Model model =
        kestrav::Model::fromGram(arguments.gram, arguments.layout, arguments.total, arguments.multipliers);
    return arguments.mode == Mode::Count ? countPath(model, arguments.options)
                                         : consumePath(model, arguments.options);
  } catch (const kestrav::Error& error) {
    // The model's fields are named as the options that give them.
    std::fprintf(stderr, "library_paths: --%s: %s\n", kestrav::fieldName(error.field()),
                 error.reason().c_str());
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "library_paths: %s\n", error.what());
    return 1;
  }
}
