#include "lib/manifest_run.hpp"

#include <unistd.h>

#include <ctime>

#include "kestrav/version.hpp"

#ifdef KESTRAV_MANIFESTS
#include "git_commit.hpp"
#else
#define KESTRAV_GIT_COMMIT ""
#endif

namespace kestrav::detail {
namespace {

std::string utcTime(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

std::string hostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

}  // namespace

void describeRun(Manifest& manifest, const std::vector<std::string>& command,
                 std::chrono::system_clock::time_point started, double seconds, int threads, Simd simd) {
  manifest.kestravVersion = version();
  manifest.kestravCommit = KESTRAV_GIT_COMMIT;
  manifest.command = command;
  manifest.started = utcTime(started);
  manifest.seconds = seconds;
  manifest.threads = threads;
  manifest.simd = simdName(simd == Simd::Auto ? bestSimd() : simd);
  manifest.host = hostName();
}

std::optional<engine::Companion> manifestCompanion(const Model& model, const SearchOptions& options,
                                                   const engine::ResultDigest& digest,
                                                   engine::CompositionRange searched, double seconds,
                                                   const std::filesystem::path& file,
                                                   const ManifestOptions& manifest,
                                                   std::chrono::system_clock::time_point started,
                                                   const engine::ResultDigest* stored) {
  if (!manifest.write || !manifestsAvailable()) return std::nullopt;
  Manifest m = manifestFor(model);
  m.file = file.filename().string();
  m.shardIndex = options.shardIndex;
  m.shardCount = options.shardCount;
  m.firstComposition = searched.first;
  m.endComposition = searched.end;
  m.recordsPerPass = digest.recordsPerPass();
  m.lines = digest.lines();
  m.bytes = digest.bytes();
  m.sha256 = (stored != nullptr ? *stored : digest).sha256();
  describeRun(m, manifest.command, started, seconds, threadsFor(options), options.simd);
  return engine::Companion{manifestPath(file), manifestText(m)};
}

}  // namespace kestrav::detail
