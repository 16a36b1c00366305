#pragma once
// A throwaway certificate authority and the certificates it signs, made at test time
// with OpenSSL and written as PEM files, so that no key ever lives in the repository.

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace velkor::node::testing {

using KeyPointer = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertificatePointer = std::unique_ptr<X509, decltype(&X509_free)>;

inline KeyPointer newKey() { return {EVP_EC_gen("P-256"), &EVP_PKEY_free}; }

// Signed by `issuer` with `issuerKey`, or by itself when there is no issuer.
inline CertificatePointer newCertificate(EVP_PKEY* key, const std::string& commonName,
                                         const std::vector<std::pair<int, std::string>>& extensions,
                                         X509* issuer = nullptr, EVP_PKEY* issuerKey = nullptr) {
  CertificatePointer certificate(X509_new(), &X509_free);
  static long serial = 1;
  X509_set_version(certificate.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), ++serial);
  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -60);
  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 24 * 3600);
  X509_set_pubkey(certificate.get(), key);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate.get()), "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
  X509* signer = issuer ? issuer : certificate.get();
  X509_set_issuer_name(certificate.get(), X509_get_subject_name(signer));
  X509V3_CTX context;
  X509V3_set_ctx(&context, signer, certificate.get(), nullptr, nullptr, 0);
  for (const auto& [nid, value] : extensions) {
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    X509_add_ext(certificate.get(), extension, -1);
    X509_EXTENSION_free(extension);
  }
  X509_sign(certificate.get(), issuerKey ? issuerKey : key, EVP_sha256());
  return certificate;
}

inline bool writePem(const std::filesystem::path& file, X509* certificate, EVP_PKEY* key,
                     const char* passphrase = nullptr) {
  std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new_file(file.c_str(), "w"), &BIO_free);
  if (!out) return false;
  if (certificate) return PEM_write_bio_X509(out.get(), certificate) == 1;
  if (passphrase)
    return PEM_write_bio_PKCS8PrivateKey(out.get(), key, EVP_aes_256_cbc(), passphrase,
                                         static_cast<int>(std::string(passphrase).size()), nullptr, nullptr) == 1;
  return PEM_write_bio_PrivateKey(out.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
}

// ca.pem, and node.pem / node.key for "localhost" signed by it (the key readable by its
// owner alone); other.key, a key of no certificate here.
struct TestPki {
  std::filesystem::path ca, chain, key, otherKey;

  explicit TestPki(const std::filesystem::path& folder)
      : ca(folder / "ca.pem"), chain(folder / "node.pem"), key(folder / "node.key"), otherKey(folder / "other.key") {
    const KeyPointer caKey = newKey();
    const CertificatePointer caCertificate =
        newCertificate(caKey.get(), "velkor test CA",
                       {{NID_basic_constraints, "critical,CA:TRUE"}, {NID_key_usage, "critical,keyCertSign,cRLSign"}});
    const KeyPointer nodeKey = newKey();
    const CertificatePointer nodeCertificate =
        newCertificate(nodeKey.get(), "localhost",
                       {{NID_basic_constraints, "CA:FALSE"},
                        {NID_ext_key_usage, "serverAuth"},
                        {NID_subject_alt_name, "DNS:localhost"}},
                       caCertificate.get(), caKey.get());
    writePem(ca, caCertificate.get(), nullptr);
    writePem(chain, nodeCertificate.get(), nullptr);
    writePem(key, nullptr, nodeKey.get());
    std::filesystem::permissions(key, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    writePem(otherKey, nullptr, newKey().get());
  }
};

}  // namespace velkor::node::testing
