// A result file checked against its manifest: its checksum and counts,
// every record's place, form and value, and a sample of the compositions
// of its range that are not records.
#include <algorithm>
#include <random>

#include "engine/result_digest.hpp"
#include "kestrav/error.hpp"
#include "kestrav/manifest.hpp"
#include "lib/composition_rank.hpp"
#include "lib/file_chunks.hpp"

namespace kestrav {
namespace {

// The search's compositions, pass by pass, as records and ranks.
class SearchPlaces {
 public:
  explicit SearchPlaces(const Model& model) : model_(model) {
    std::uint64_t offset = 0;
    for (std::uint64_t size : searchSize(model).perPass) {
      offsets_.push_back(offset);
      offset += size;
    }
  }

  // The rank in the whole search of a record of the pass, or a reason why
  // it is no tuple of the pass.
  std::string rankOf(const std::vector<std::int64_t>& entries, std::size_t pass, std::uint64_t& rank) const {
    const std::int64_t m = model_.multipliers()[pass];
    if (entries.size() != static_cast<std::size_t>(model_.entryCount()))
      return std::to_string(entries.size()) + " entries, not " + std::to_string(model_.entryCount());
    const Layout layout = model_.layout();
    const std::size_t head = pinsHead(layout) ? 1 : 0;
    const std::size_t tail = pinsTail(layout) ? 1 : 0;
    if ((head == 1 && entries.front() != m) || (tail == 1 && entries.back() != m))
      return "a pinned entry is not the multiplier " + std::to_string(m);
    std::vector<std::int64_t> composition;
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      sum += entries[i];
      if (i < head || i + tail >= entries.size()) continue;
      if (entries[i] <= 0 || entries[i] % m != 0)
        return "entry " + std::to_string(i + 1) + " is not a positive multiple of " + std::to_string(m);
      composition.push_back(entries[i] / m);
    }
    if (sum != model_.total())
      return "the entries sum to " + std::to_string(sum) + ", not " + std::to_string(model_.total());
    rank = offsets_[pass] + detail::compositionRank(composition);
    return "";
  }

  // The tuple at a rank of the whole search.
  std::vector<std::int64_t> tupleAt(std::uint64_t rank) const {
    std::size_t pass = offsets_.size() - 1;
    while (offsets_[pass] > rank) --pass;
    const std::int64_t m = model_.multipliers()[pass];
    const int parts = model_.compositionLength();
    const std::int64_t sum = model_.total() / m - (model_.entryCount() - parts);
    std::vector<std::int64_t> tuple;
    if (pinsHead(model_.layout())) tuple.push_back(m);
    for (std::int64_t c : detail::compositionAt(sum, parts, rank - offsets_[pass])) tuple.push_back(m * c);
    if (pinsTail(model_.layout())) tuple.push_back(m);
    return tuple;
  }

 private:
  const Model& model_;
  std::vector<std::uint64_t> offsets_;
};

std::string tupleText(const std::vector<std::int64_t>& tuple) {
  std::string text;
  for (std::int64_t entry : tuple) {
    if (!text.empty()) text += ' ';
    text += std::to_string(entry);
  }
  return text;
}

// Checks the records line by line as the file streams past.
class RecordChecker {
 public:
  RecordChecker(const Model& model, const Manifest& manifest, std::vector<std::uint64_t> sample)
      : model_(model), manifest_(manifest), places_(model), sample_(std::move(sample)) {}

  void add(std::string_view piece) {
    for (char c : piece) {
      if (c != '\n') {
        line_ += c;
        continue;
      }
      if (fault_.empty()) checkLine();
      line_.clear();
    }
  }

  // The first fault of the records, or of the sample.
  std::string finish() {
    if (!fault_.empty()) return fault_;
    if (!line_.empty()) return "the last line has no newline";
    if (lines_ != manifest_.lines) return "";  // the counts say it
    while (nextSample_ < sample_.size()) notARecord(sample_[nextSample_++]);
    for (std::uint64_t rank : nonRecords_) {
      const std::vector<std::int64_t> tuple = places_.tupleAt(rank);
      if (model_.vanishesAt(tuple))
        return "composition " + std::to_string(rank) + " (" + tupleText(tuple) +
               ") is a zero of the model but not in the file";
    }
    return "";
  }

 private:
  void checkLine() {
    ++lines_;
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "line " + ...
    std::string where = "line ";
    where += std::to_string(lines_);
    where += ": ";
    std::vector<std::int64_t> entries;
    std::size_t at = 0;
    while (at < line_.size()) {
      const std::size_t blank = line_.find(' ', at);
      if (blank == std::string::npos || blank == at || blank - at > 5 ||
          line_.find_first_not_of("0123456789", at) < blank) {
        fault_ = where + "not a record (each entry in decimal followed by one blank)";
        return;
      }
      entries.push_back(std::stoll(line_.substr(at, blank - at)));
      at = blank + 1;
    }
    while (pass_ < manifest_.recordsPerPass.size() && inPass_ == manifest_.recordsPerPass[pass_]) {
      ++pass_;
      inPass_ = 0;
    }
    if (pass_ == manifest_.recordsPerPass.size()) {
      fault_ = where + "more records than the manifest's passes hold";
      return;
    }
    ++inPass_;
    std::uint64_t rank = 0;
    if (std::string why = places_.rankOf(entries, pass_, rank); !why.empty()) {
      fault_ = where + why + " (pass of multiplier " + std::to_string(model_.multipliers()[pass_]) + ")";
      return;
    }
    if (rank < manifest_.firstComposition || rank >= manifest_.endComposition) {
      fault_ = where + "composition " + std::to_string(rank) + " is outside the file's range";
      return;
    }
    if (lines_ > 1 && rank <= lastRank_) {
      fault_ = where + "out of order";
      return;
    }
    lastRank_ = rank;
    if (!model_.vanishesAt(entries)) {
      fault_ = where + "not a zero of the model";
      return;
    }
    while (nextSample_ < sample_.size() && sample_[nextSample_] < rank) notARecord(sample_[nextSample_++]);
    if (nextSample_ < sample_.size() && sample_[nextSample_] == rank) ++nextSample_;
  }

  void notARecord(std::uint64_t rank) { nonRecords_.push_back(rank); }

  const Model& model_;
  const Manifest& manifest_;
  SearchPlaces places_;
  std::vector<std::uint64_t> sample_;  // ranks, ascending
  std::size_t nextSample_ = 0;
  std::vector<std::uint64_t> nonRecords_;
  std::string line_;
  std::string fault_;
  std::uint64_t lines_ = 0;
  std::uint64_t lastRank_ = 0;
  std::size_t pass_ = 0;
  std::uint64_t inPass_ = 0;
};

// Up to `count` distinct ranks of [first, end), ascending.
std::vector<std::uint64_t> sampleRanks(std::uint64_t first, std::uint64_t end, std::uint64_t count) {
  std::vector<std::uint64_t> ranks;
  if (end <= first) return ranks;
  std::mt19937_64 random(std::random_device{}());
  std::uniform_int_distribution<std::uint64_t> pick(first, end - 1);
  count = std::min(count, end - first);
  for (std::uint64_t i = 0; i < count; ++i) ranks.push_back(end - first <= count ? first + i : pick(random));
  std::sort(ranks.begin(), ranks.end());
  ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
  return ranks;
}

}  // namespace

std::string verifyWithManifest(const std::filesystem::path& file, std::uint64_t sample) {
  requireManifests();
  const Manifest manifest = readManifest(file);
  const Model model = manifestModel(manifest);
  shardRange(model, manifest.shardIndex, manifest.shardCount);  // throws for a shard out of range
  if (manifest.firstComposition > manifest.endComposition ||
      manifest.endComposition > manifest.allCompositions ||
      manifest.allCompositions != searchSize(model).total)
    return "its manifest's range of compositions is not one of its search";
  std::uint64_t records = 0;
  for (std::uint64_t r : manifest.recordsPerPass) records += r;
  if (manifest.recordsPerPass.size() != model.multipliers().size() || records != manifest.lines)
    return "its manifest's records per pass do not fit its passes and lines";

  engine::ResultDigest digest(1);  // of the text
  engine::ResultDigest stored(1);  // of a compressed file's bytes
  bool compressed = false;
  RecordChecker checker(model, manifest,
                        sampleRanks(manifest.firstComposition, manifest.endComposition, sample));
  const std::string unreadable = detail::readResultText(
      file,
      [&](std::string_view piece) {
        digest.add(piece, 0);
        checker.add(piece);
        return true;
      },
      [&](std::string_view bytes) {
        compressed = true;
        stored.add(bytes, 0);
      });
  if (!unreadable.empty()) return "cannot read it: " + unreadable;
  const std::string fault = checker.finish();
  std::string counts;
  if (digest.bytes() != manifest.bytes) {
    counts = std::to_string(digest.bytes()) + " bytes, its manifest says " + std::to_string(manifest.bytes);
  } else if (digest.lines() != manifest.lines) {
    counts = std::to_string(digest.lines()) + " lines, its manifest says " + std::to_string(manifest.lines);
  } else if ((compressed ? stored : digest).sha256() != manifest.sha256) {
    counts = "its SHA-256 does not match its manifest";
  }
  if (counts.empty()) return fault;
  return fault.empty() ? counts : counts + "; " + fault;
}

}  // namespace kestrav
