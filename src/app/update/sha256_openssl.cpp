#include "app/update/sha256.h"

#include <openssl/evp.h>

namespace q9xz {

namespace {

class OpenSslSha256 : public Sha256 {
  public:
    OpenSslSha256() : context_(EVP_MD_CTX_new()) {
        ok_ = context_ != nullptr && EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) == 1;
    }
    ~OpenSslSha256() override { EVP_MD_CTX_free(context_); }
    OpenSslSha256(const OpenSslSha256&) = delete;
    OpenSslSha256& operator=(const OpenSslSha256&) = delete;

    bool ok() const { return ok_; }

    bool update(const char* data, std::size_t size) override {
        ok_ = ok_ && EVP_DigestUpdate(context_, data, size) == 1;
        return ok_;
    }

    bool finish(Sha256Digest& digest) override {
        unsigned int size = 0;
        ok_ =
            ok_ && EVP_DigestFinal_ex(context_, digest.data(), &size) == 1 && size == digest.size();
        return ok_;
    }

  private:
    EVP_MD_CTX* context_;
    bool ok_ = false;
};

} // namespace

std::unique_ptr<Sha256> make_sha256() {
    auto sha = std::make_unique<OpenSslSha256>();
    if (!sha->ok())
        return nullptr;
    return sha;
}

} // namespace q9xz
