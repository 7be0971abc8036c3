#include "app/update/sha256.h"

// clang-format off
#include <windows.h>
#include <wincrypt.h> // needs windows.h first
// clang-format on

namespace q9xz {

namespace {

// SHA-256 of CryptoAPI (ADVAPI32), which the AES provider offers on every Windows since XP SP3.
class CryptoApiSha256 : public Sha256 {
  public:
    CryptoApiSha256() {
        ok_ = CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_AES,
                                   CRYPT_VERIFYCONTEXT) != FALSE;
        if (!ok_) {
            provider_ = 0;
            return;
        }
        ok_ = CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_) != FALSE;
        if (!ok_)
            hash_ = 0;
    }
    ~CryptoApiSha256() override {
        if (hash_ != 0)
            CryptDestroyHash(hash_);
        if (provider_ != 0)
            CryptReleaseContext(provider_, 0);
    }
    CryptoApiSha256(const CryptoApiSha256&) = delete;
    CryptoApiSha256& operator=(const CryptoApiSha256&) = delete;

    bool ok() const { return ok_; }

    bool update(const char* data, std::size_t size) override {
        // CryptHashData takes at most a DWORD's worth at a time.
        while (ok_ && size > 0) {
            const DWORD piece = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            ok_ = CryptHashData(hash_, reinterpret_cast<const BYTE*>(data), piece, 0) != FALSE;
            data += piece;
            size -= piece;
        }
        return ok_;
    }

    bool finish(Sha256Digest& digest) override {
        DWORD size = static_cast<DWORD>(digest.size());
        ok_ = ok_ && CryptGetHashParam(hash_, HP_HASHVAL, digest.data(), &size, 0) != FALSE &&
              size == digest.size();
        return ok_;
    }

  private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
    bool ok_ = false;
};

} // namespace

std::unique_ptr<Sha256> make_sha256() {
    auto sha = std::make_unique<CryptoApiSha256>();
    if (!sha->ok())
        return nullptr;
    return sha;
}

} // namespace q9xz
