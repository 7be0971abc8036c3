#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace q9xz {

using Sha256Digest = std::array<std::uint8_t, 32>;

// A SHA-256 computation fed in pieces, on the platform's own cryptography library (never a
// home-made one: the digest is what stands between a download and running it).
class Sha256 {
  public:
    virtual ~Sha256() = default;
    // False when the library failed; the digest is then worthless.
    virtual bool update(const char* data, std::size_t size) = 0;
    // The digest of everything fed; nothing when the library failed.
    virtual bool finish(Sha256Digest& digest) = 0;
};

// A fresh computation; null when the library cannot provide one.
std::unique_ptr<Sha256> make_sha256();

} // namespace q9xz
