#pragma once
// The engine settings a command line asks for, with the defaults filled in.

#include <sched.h>

#include <algorithm>
#include <thread>

#include "cli/arguments.hpp"
#include "engine/search_run.hpp"

namespace kestrav::cli {

// The processors this process may run on: a scheduler's CPU set (a Slurm
// job, taskset) rather than every processor of the machine.
inline int usableProcessors() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

inline engine::SearchOptions engineOptions(const CommonOptions& common) {
  engine::SearchOptions options;
  options.threads = common.threads > 0 ? common.threads : usableProcessors();
  options.shardIndex = common.shardIndex;
  options.shardCount = common.shardCount;
  options.simd = common.simd ? *common.simd : engine::bestSimdLevel();
  if (common.tailLength > 0) options.tailLength = common.tailLength;
  return options;
}

}  // namespace kestrav::cli
