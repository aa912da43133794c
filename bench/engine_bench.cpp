// The engine against the per-composition programs, in the same run: the
// whole catalogue (the programs one after another on one core, the engine
// with one and with two threads) and the largest single programs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/result_name.hpp"
#include "engine/catalogue_run.hpp"
#include "engine/catalogue_search.hpp"
#include "engine/search_run.hpp"

namespace {

const std::vector<kestrav::engine::CatalogueSearch>& searches() {
  static const auto loaded = [] {
    std::ifstream input(KESTRAV_CATALOGUE);
    std::ostringstream text;
    text << input.rdbuf();
    std::vector<kestrav::engine::CatalogueSearch> all;
    std::string error;
    if (!kestrav::engine::loadCatalogueSearches(text.str(), all, error)) throw std::runtime_error(error);
    return all;
  }();
  return loaded;
}

std::filesystem::path scratch() {
  static const auto dir = [] {
    auto path = std::filesystem::temp_directory_path() / ("kestrav-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return dir;
}

// A program run as the researcher runs it: its own process, its file on disk.
void runProgram(int number) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(scratch().c_str()) != 0 || !std::freopen("/dev/null", "w", stdout)) ::_exit(127);
    const std::string path = std::string(KESTRAV_PROGRAM_DIR) + "/" + kestrav::programName(number);
    ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("program failed");
}

void runEngine(const kestrav::engine::CatalogueSearch& search, int threads) {
  kestrav::engine::SearchOptions options;
  options.threads = threads;
  options.simd = kestrav::engine::bestSimdLevel();
  options.tailLength = 4;
  const auto path = scratch() / kestrav::resultFileName(search.number);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  kestrav::engine::SearchSummary summary;
  std::string error;
  if (out == nullptr || kestrav::engine::runSearch(search.model, options, out, summary, error) !=
                            kestrav::engine::SearchStatus::Complete) {
    throw std::runtime_error("engine run failed: " + error);
  }
  std::fclose(out);
}

// Processor time (user + system) of this process or of its finished
// children: on a shared machine it varies less than the elapsed time.
double processorSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <class Body>
void measure(benchmark::State& state, int who, Body&& body) {
  const double before = processorSeconds(who);
  for (auto _ : state) body();
  state.counters["cpu_s"] =
      benchmark::Counter((processorSeconds(who) - before) / static_cast<double>(state.iterations()));
}

void ProgramsWholeCatalogue(benchmark::State& state) {
  measure(state, RUSAGE_CHILDREN, [] {
    for (const auto& search : searches()) runProgram(search.number);
  });
}

// As `kestrav run all --threads T` runs it: with two threads, whole searches
// side by side.
void EngineWholeCatalogue(benchmark::State& state) {
  std::vector<const kestrav::engine::CatalogueSearch*> all;
  for (const auto& search : searches()) all.push_back(&search);
  kestrav::engine::SearchOptions options;
  options.threads = static_cast<int>(state.range(0));
  options.simd = kestrav::engine::bestSimdLevel();
  kestrav::engine::CatalogueRunHooks hooks;
  hooks.fileFor = [](int number) { return scratch() / kestrav::resultFileName(number); };
  hooks.finished = [](const kestrav::engine::CatalogueRunResult& result) {
    if (result.status != kestrav::engine::SearchStatus::Complete)
      throw std::runtime_error("engine run failed: " + result.error);
  };
  measure(state, RUSAGE_SELF, [&] { kestrav::engine::runCatalogueSearches(all, options, hooks); });
}

const kestrav::engine::CatalogueSearch& searchOf(int number) {
  if (const auto* search = kestrav::findByNumber(searches(), number)) return *search;
  throw std::out_of_range("no such program");
}

void ProgramSingle(benchmark::State& state) {
  measure(state, RUSAGE_CHILDREN, [&state] { runProgram(static_cast<int>(state.range(0))); });
}

void EngineSingle(benchmark::State& state) {
  measure(state, RUSAGE_SELF, [&state] {
    runEngine(searchOf(static_cast<int>(state.range(0))), static_cast<int>(state.range(1)));
  });
}

}  // namespace

BENCHMARK(ProgramsWholeCatalogue)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(EngineWholeCatalogue)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(ProgramSingle)
    ->Arg(18)
    ->Arg(75)
    ->Arg(9)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(EngineSingle)
    ->ArgsProduct({{18, 75, 9}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

BENCHMARK_MAIN();
