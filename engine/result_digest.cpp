#include "engine/result_digest.hpp"

#include <algorithm>
#include <new>

#include "core/record_format.hpp"

#ifdef KESTRAV_MANIFESTS
#include <openssl/evp.h>
#endif

namespace kestrav::engine {

#ifdef KESTRAV_MANIFESTS
struct ResultDigest::Hash {
  Hash() : context(EVP_MD_CTX_new()) {
    if (context == nullptr || EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
      EVP_MD_CTX_free(context);
      throw std::bad_alloc();
    }
  }
  ~Hash() { EVP_MD_CTX_free(context); }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  EVP_MD_CTX* context;
};
#else
struct ResultDigest::Hash {};
#endif

ResultDigest::ResultDigest(std::size_t passes)
    : hash_(std::make_unique<Hash>()), recordsPerPass_(passes, 0) {}

ResultDigest::~ResultDigest() = default;

void ResultDigest::add(std::string_view text, int pass) {
#ifdef KESTRAV_MANIFESTS
  EVP_DigestUpdate(hash_->context, text.data(), text.size());
#endif
  const auto records = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), kRecordEnd));
  bytes_ += text.size();
  lines_ += records;
  const auto index = static_cast<std::size_t>(pass);
  if (index >= recordsPerPass_.size()) recordsPerPass_.resize(index + 1, 0);
  recordsPerPass_[index] += records;
}

std::string ResultDigest::sha256() const {
#ifdef KESTRAV_MANIFESTS
  // Finished on a copy, so that more can be added afterwards.
  EVP_MD_CTX* copy = EVP_MD_CTX_new();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  const bool done = copy != nullptr && EVP_MD_CTX_copy_ex(copy, hash_->context) == 1 &&
                    EVP_DigestFinal_ex(copy, digest, &length) == 1;
  EVP_MD_CTX_free(copy);
  if (!done) throw std::bad_alloc();
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0xf];
  }
  return hex;
#else
  return {};
#endif
}

}  // namespace kestrav::engine
