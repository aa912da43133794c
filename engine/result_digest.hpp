#pragma once
// What a result file holds, known the moment it is complete: its bytes,
// lines, records per pass and SHA-256, computed from the text on its way to
// the file rather than by reading the file back. A file continued from a
// kept prefix feeds that prefix through add() first, so that it ends with
// the digest of a file written in one go.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/search_run.hpp"

namespace kestrav::engine {

class ResultDigest {
 public:
  explicit ResultDigest(std::size_t passes);
  ~ResultDigest();
  ResultDigest(const ResultDigest&) = delete;
  ResultDigest& operator=(const ResultDigest&) = delete;

  // Whole records of one pass (an index into the multipliers), as text.
  void add(std::string_view text, int pass);

  std::uint64_t bytes() const { return bytes_; }
  std::uint64_t lines() const { return lines_; }
  const std::vector<std::uint64_t>& recordsPerPass() const { return recordsPerPass_; }
  // 64 lowercase hex digits of what was added so far; empty in a build
  // without libcrypto (and so without manifests).
  std::string sha256() const;

 private:
  struct Hash;
  std::unique_ptr<Hash> hash_;
  std::uint64_t bytes_ = 0;
  std::uint64_t lines_ = 0;
  std::vector<std::uint64_t> recordsPerPass_;
};

// Passes every piece to `out` and, once written, to the digest.
class DigestingOutput : public RecordOutput {
 public:
  DigestingOutput(RecordOutput& out, ResultDigest& digest) : out_(out), digest_(digest) {}
  bool write(std::string_view records, int pass, std::string& error) override {
    if (!out_.write(records, pass, error)) return false;
    digest_.add(records, pass);
    return true;
  }
  bool finish(std::string& error) override { return out_.finish(error); }

 private:
  RecordOutput& out_;
  ResultDigest& digest_;
};

}  // namespace kestrav::engine
