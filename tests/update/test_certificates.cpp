#include "test_certificates.h"

#include <cstdio>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace q9xz::test {

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Certificate = std::unique_ptr<X509, CertificateDeleter>;

void require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("test certificates: ") + what);
}

Key new_key() {
    Key key(EVP_EC_gen("P-256"));
    require(key != nullptr, "key");
    return key;
}

void add_extension(X509* certificate, X509* issuer, int id, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, id, value.c_str());
    require(extension != nullptr, "extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

Certificate new_certificate(const std::string& common_name, EVP_PKEY* key, X509* issuer,
                            std::chrono::hours from, std::chrono::hours until) {
    static long serial = 1;
    Certificate certificate(X509_new());
    X509* c = certificate.get();
    X509_set_version(c, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(c), serial++);
    X509_gmtime_adj(X509_getm_notBefore(c), static_cast<long>(from.count()) * 3600);
    X509_gmtime_adj(X509_getm_notAfter(c), static_cast<long>(until.count()) * 3600);
    X509_set_pubkey(c, key);
    X509_NAME* name = X509_get_subject_name(c);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(common_name.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(c, issuer ? X509_get_subject_name(issuer) : name);
    return certificate;
}

} // namespace

struct TestAuthority::Parts {
    Key key;
    Certificate certificate;
};

TestAuthority::TestAuthority(const std::string& name) : parts_(std::make_unique<Parts>()) {
    parts_->key = new_key();
    parts_->certificate = new_certificate(name, parts_->key.get(), nullptr, std::chrono::hours(-1),
                                          std::chrono::hours(24 * 30));
    X509* c = parts_->certificate.get();
    add_extension(c, c, NID_basic_constraints, "critical,CA:TRUE");
    add_extension(c, c, NID_key_usage, "critical,keyCertSign,cRLSign");
    add_extension(c, c, NID_subject_key_identifier, "hash");
    require(X509_sign(c, parts_->key.get(), EVP_sha256()) > 0, "sign authority");
}

TestAuthority::~TestAuthority() = default;

void TestAuthority::write_certificate(const std::string& path) const {
    std::FILE* file = std::fopen(path.c_str(), "w");
    require(file != nullptr, "write authority");
    PEM_write_X509(file, parts_->certificate.get());
    std::fclose(file);
}

SslContext TestAuthority::server_context(const std::vector<std::string>& names,
                                         std::chrono::hours valid_from,
                                         std::chrono::hours valid_until) const {
    const Key key = new_key();
    X509* issuer = parts_->certificate.get();
    const Certificate certificate =
        new_certificate("q9xz test server", key.get(), issuer, valid_from, valid_until);
    std::string alternatives;
    for (const std::string& name : names)
        alternatives += (alternatives.empty() ? "" : ",") + name;
    add_extension(certificate.get(), issuer, NID_subject_alt_name, alternatives);
    add_extension(certificate.get(), issuer, NID_ext_key_usage, "serverAuth");
    add_extension(certificate.get(), issuer, NID_authority_key_identifier, "keyid");
    require(X509_sign(certificate.get(), parts_->key.get(), EVP_sha256()) > 0, "sign server");

    SslContext context(SSL_CTX_new(TLS_server_method()), SslContextDeleter{});
    require(context != nullptr, "context");
    require(SSL_CTX_use_certificate(context.get(), certificate.get()) == 1 &&
                SSL_CTX_use_PrivateKey(context.get(), key.get()) == 1,
            "server identity");
    return context;
}

} // namespace q9xz::test
