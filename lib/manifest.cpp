// The manifest's JSON form (nlohmann-json), and its model.
#include "kestrav/manifest.hpp"

#include <fstream>
#include <sstream>

#include "kestrav/error.hpp"
#include "kestrav/values.hpp"

#ifdef KESTRAV_MANIFESTS
#include <nlohmann/json.hpp>
#endif

namespace kestrav {

namespace {

constexpr char kFormatName[] = "kestrav-manifest";

[[noreturn]] void refuseManifest(const std::string& reason) { throw Error(Field::Manifest, reason); }

#ifdef KESTRAV_MANIFESTS
using Json = nlohmann::ordered_json;

// The reader's view of one object: every key must be there with its type.
class Keys {
 public:
  Keys(const Json& object, std::string where) : object_(object), where_(std::move(where)) {
    if (!object_.is_object())
      refuseManifest(where_.empty() ? "not a JSON object" : where_ + "is not an object");
  }
  const Json& at(const char* key) const {
    const auto found = object_.find(key);
    if (found == object_.end())
      refuseManifest((where_.empty() ? "no \"" : where_ + "has no \"") + key + "\"");
    return *found;
  }
  std::string text(const char* key) const {
    const Json& value = at(key);
    if (!value.is_string()) wrongType(key, "a string");
    return value.get<std::string>();
  }
  std::uint64_t count(const char* key) const {
    const Json& value = at(key);
    if (!value.is_number_unsigned()) wrongType(key, "a whole number");
    return value.get<std::uint64_t>();
  }
  int small(const char* key) const {
    const std::uint64_t value = count(key);
    if (value > static_cast<std::uint64_t>(INT32_MAX)) wrongType(key, "a whole number below 2^31");
    return static_cast<int>(value);
  }
  double number(const char* key) const {
    const Json& value = at(key);
    if (!value.is_number()) wrongType(key, "a number");
    return value.get<double>();
  }
  template <typename T>
  std::vector<T> list(const char* key, bool (Json::*is)() const noexcept, const char* what) const {
    const Json& value = at(key);
    if (!value.is_array()) wrongType(key, (std::string("a list of ") + what).c_str());
    std::vector<T> items;
    for (const Json& item : value) {
      if (!(item.*is)()) wrongType(key, (std::string("a list of ") + what).c_str());
      items.push_back(item.get<T>());
    }
    return items;
  }

 private:
  [[noreturn]] void wrongType(const char* key, const char* what) const {
    refuseManifest(where_ + "\"" + key + "\" is not " + what);  // where_ ends with a blank
  }
  const Json& object_;
  std::string where_;
};
#endif

}  // namespace

bool manifestsAvailable() {
#ifdef KESTRAV_MANIFESTS
  return true;
#else
  return false;
#endif
}

void requireManifests() {
  if (!manifestsAvailable())
    refuseManifest("this kestrav was built without manifests (Debian: nlohmann-json3-dev and libssl-dev)");
}

std::filesystem::path manifestPath(const std::filesystem::path& file) {
  std::filesystem::path path = file;
  path += std::string(kManifestSuffix);
  return path;
}

Model manifestModel(const Manifest& manifest) {
  const Layout layout = parseLayoutName(manifest.layout);
  if (manifest.blocks.empty())
    return Model::fromGram(manifest.gram, layout, manifest.total, manifest.multipliers);
  std::vector<Block> blocks;
  for (const std::string& block : manifest.blocks) blocks.push_back(parseBlock(block));
  return Model::fromBlocks(std::move(blocks), layout, manifest.total, manifest.multipliers);
}

Manifest manifestFor(const Model& model) {
  Manifest manifest;
  if (model.fromGramCode()) {
    manifest.gram = model.blocks().front().gramCode;
  } else {
    for (const Block& block : model.blocks()) manifest.blocks.push_back(formatBlock(block));
  }
  manifest.layout = layoutName(model.layout());
  manifest.total = model.total();
  manifest.multipliers = model.multipliers();
  manifest.allCompositions = searchSize(model).total;
  manifest.endComposition = manifest.allCompositions;
  return manifest;
}

bool sameSearch(const Manifest& a, const Manifest& b) {
  return a.gram == b.gram && a.blocks == b.blocks && a.layout == b.layout && a.total == b.total &&
         a.multipliers == b.multipliers && a.shardCount == b.shardCount &&
         a.allCompositions == b.allCompositions;
}

#ifdef KESTRAV_MANIFESTS

std::string manifestText(const Manifest& m) {
  Json model = Json::object();
  if (m.blocks.empty()) {
    model["gram"] = m.gram;
  } else {
    model["blocks"] = m.blocks;
  }
  const Json json = {
      {"format", kFormatName},
      {"version", m.version},
      {"file", m.file},
      {"model", model},
      {"layout", m.layout},
      {"total", m.total},
      {"multipliers", m.multipliers},
      {"shard", {{"index", m.shardIndex}, {"count", m.shardCount}}},
      {"compositions",
       {{"first", m.firstComposition}, {"end", m.endComposition}, {"all", m.allCompositions}}},
      {"records_per_pass", m.recordsPerPass},
      {"lines", m.lines},
      {"bytes", m.bytes},
      {"sha256", m.sha256},
      {"kestrav", {{"version", m.kestravVersion}, {"commit", m.kestravCommit}}},
      {"command", m.command},
      {"started", m.started},
      {"seconds", m.seconds},
      {"threads", m.threads},
      {"simd", m.simd},
      {"host", m.host},
  };
  // Invalid UTF-8 in a command word or a host name is replaced, not fatal.
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Manifest parseManifest(std::string_view text) {
  const Json json = Json::parse(text.begin(), text.end(), nullptr, false);
  if (json.is_discarded()) refuseManifest("not JSON");
  const Keys top(json, "");
  if (top.text("format") != kFormatName)
    refuseManifest("\"format\" is not \"" + std::string(kFormatName) + "\"");
  Manifest m;
  m.version = top.small("version");
  if (m.version != kManifestVersion)
    refuseManifest("unknown version " + std::to_string(m.version) + " (this kestrav reads version " +
                   std::to_string(kManifestVersion) + ")");
  m.file = top.text("file");
  const Keys model(top.at("model"), "\"model\" ");
  if (top.at("model").contains("blocks")) {
    m.blocks = model.list<std::string>("blocks", &Json::is_string, "strings");
    if (m.blocks.empty()) refuseManifest("\"model\" has no blocks");
  } else {
    m.gram = model.text("gram");
  }
  m.layout = top.text("layout");
  m.total = top.small("total");
  const auto multipliers = top.list<std::uint64_t>("multipliers", &Json::is_number_unsigned, "whole numbers");
  for (std::uint64_t multiplier : multipliers) {
    if (multiplier > static_cast<std::uint64_t>(INT32_MAX))
      refuseManifest("\"multipliers\" are out of range");
    m.multipliers.push_back(static_cast<int>(multiplier));
  }
  const Keys shard(top.at("shard"), "\"shard\" ");
  m.shardIndex = shard.small("index");
  m.shardCount = shard.small("count");
  const Keys compositions(top.at("compositions"), "\"compositions\" ");
  m.firstComposition = compositions.count("first");
  m.endComposition = compositions.count("end");
  m.allCompositions = compositions.count("all");
  m.recordsPerPass = top.list<std::uint64_t>("records_per_pass", &Json::is_number_unsigned, "whole numbers");
  m.lines = top.count("lines");
  m.bytes = top.count("bytes");
  m.sha256 = top.text("sha256");
  const Keys kestrav(top.at("kestrav"), "\"kestrav\" ");
  m.kestravVersion = kestrav.text("version");
  m.kestravCommit = kestrav.text("commit");
  m.command = top.list<std::string>("command", &Json::is_string, "strings");
  m.started = top.text("started");
  m.seconds = top.number("seconds");
  m.threads = top.small("threads");
  m.simd = top.text("simd");
  m.host = top.text("host");
  return m;
}

#else

std::string manifestText(const Manifest&) {
  requireManifests();
  return {};
}
Manifest parseManifest(std::string_view) {
  requireManifests();
  return {};
}

#endif

Manifest readManifest(const std::filesystem::path& file) {
  const std::filesystem::path path = manifestPath(file);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) refuseManifest("cannot read " + shownFileName(path.string()));
  return parseManifest(text.str());
}

}  // namespace kestrav
