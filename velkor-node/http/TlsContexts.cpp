#include "TlsContexts.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <boost/asio/buffer.hpp>

#include "FileRead.h"

namespace velkor::node::http {
namespace {

namespace ssl = boost::asio::ssl;

// A certificate chain or key is a few kilobytes; a larger file is not one.
constexpr std::size_t kPemFileLimit = 1024 * 1024;
// TLS 1.2 suites in OpenSSL's names: forward secrecy only (ECDHE, DHE), AEAD first.
constexpr const char* kTls12Ciphers =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-ECDSA-AES256-GCM-SHA384:"
    "ECDHE-ECDSA-AES128-SHA256:ECDHE-ECDSA-AES256-SHA384:"
    "ECDHE-RSA-AES128-GCM-SHA256:ECDHE-RSA-AES256-GCM-SHA384:"
    "DHE-RSA-AES128-GCM-SHA256:DHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-RSA-AES128-SHA256:ECDHE-RSA-AES256-SHA384:"
    "DHE-RSA-AES128-SHA256:DHE-RSA-AES256-SHA256";
constexpr const char* kTls13Suites = "TLS_AES_128_GCM_SHA256:TLS_AES_256_GCM_SHA384:TLS_CHACHA20_POLY1305_SHA256";

struct Pem {
  std::string bytes;
  std::string problem;
};

Pem readPem(const std::filesystem::path& file) {
  const BoundedRead read = readRegularFile(file, kPemFileLimit, Links::Follow);
  if (read.outcome == BoundedRead::Outcome::Read) return {read.bytes, {}};
  std::string why;
  switch (read.outcome) {
    case BoundedRead::Outcome::Missing: why = "no such file"; break;
    case BoundedRead::Outcome::TooLarge: why = "larger than any PEM file of certificates or keys"; break;
    default: why = read.problem.empty() ? "cannot be read" : read.problem; break;
  }
  return {{}, file.string() + ": " + why};
}

std::string sslWhy(const boost::system::error_code& error) {
  return error.message().empty() ? "not understood" : error.message();
}

// The protocol versions and suites both sides use; empty, or why OpenSSL would not.
std::string restrictProtocols(ssl::context& context) {
  SSL_CTX* handle = context.native_handle();
  if (SSL_CTX_set_min_proto_version(handle, TLS1_2_VERSION) != 1 ||
      SSL_CTX_set_max_proto_version(handle, TLS1_3_VERSION) != 1)
    return "this OpenSSL refuses TLS 1.2 to 1.3";
  if (SSL_CTX_set_cipher_list(handle, kTls12Ciphers) != 1 || SSL_CTX_set_ciphersuites(handle, kTls13Suites) != 1)
    return "this OpenSSL has none of the cipher suites";
  // Compression leaks what is sent (CRIME); renegotiation is a denial-of-service lever.
  SSL_CTX_set_options(handle, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
  return {};
}

// An unencrypted key is what a service can read; asking for a passphrase on a terminal
// nobody watches would hang the start, so an encrypted key fails instead.
std::string noPassphrase(std::size_t, ssl::context::password_purpose) { return {}; }

std::string nameOf(X509* certificate) {
  std::string name;
  if (auto* names = static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr))) {
    for (int i = 0; i < sk_GENERAL_NAME_num(names) && name.empty(); ++i) {
      const GENERAL_NAME* entry = sk_GENERAL_NAME_value(names, i);
      if (entry->type == GEN_DNS)
        name.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(entry->d.dNSName)),
                    static_cast<std::size_t>(ASN1_STRING_length(entry->d.dNSName)));
    }
    GENERAL_NAMES_free(names);
  }
  if (!name.empty()) return name;
  char common[256] = {};
  if (X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, common, sizeof common) > 0)
    return common;
  return {};
}

std::string loadServer(ssl::context& context, const TlsFiles& files, std::vector<std::string>& warnings,
                       std::string& serverName) {
  if (std::string problem = restrictProtocols(context); !problem.empty()) return problem;
  SSL_CTX* handle = context.native_handle();
  SSL_CTX_set_options(handle, SSL_OP_CIPHER_SERVER_PREFERENCE);
  // The DHE suites need parameters; OpenSSL's built-in ones match the key's strength.
  SSL_CTX_set_dh_auto(handle, 1);
  context.set_password_callback(noPassphrase);

  const Pem chain = readPem(files.certificateChain);
  if (!chain.problem.empty()) return chain.problem;
  boost::system::error_code error;
  context.use_certificate_chain(boost::asio::buffer(chain.bytes), error);
  if (error) return files.certificateChain.string() + ": not a PEM certificate chain (" + sslWhy(error) + ")";

  const Pem key = readPem(files.privateKey);
  if (!key.problem.empty()) return key.problem;
  context.use_private_key(boost::asio::buffer(key.bytes), ssl::context::pem, error);
  // OpenSSL compares the key with the certificate as it takes it.
  const bool mismatch = error && ERR_GET_REASON(static_cast<unsigned long>(error.value())) == X509_R_KEY_VALUES_MISMATCH;
  if (error && !mismatch)
    return files.privateKey.string() + ": not an unencrypted PEM private key (" + sslWhy(error) + ")";
  if (mismatch || SSL_CTX_check_private_key(handle) != 1)
    return files.privateKey.string() + ": does not match the certificate in " + files.certificateChain.string();

  if (X509* certificate = SSL_CTX_get0_certificate(handle)) {
    serverName = nameOf(certificate);
    if (X509_cmp_current_time(X509_get0_notAfter(certificate)) < 0)
      warnings.push_back(files.certificateChain.string() + ": the certificate has expired; clients will refuse it");
    else if (X509_cmp_current_time(X509_get0_notBefore(certificate)) > 0)
      warnings.push_back(files.certificateChain.string() + ": the certificate is not valid yet; clients will refuse it");
  }
  // Like most servers, a key others can read is served and pointed out, not refused:
  // refusing would stop a running installation over a mode an administrator set.
  struct stat status {};
  if (stat(files.privateKey.c_str(), &status) == 0 && (status.st_mode & S_IROTH) != 0)
    warnings.push_back(files.privateKey.string() + ": every user of this host can read the private key (chmod o-r)");
  return {};
}

std::string loadClient(ssl::context& context, const TlsFiles& files) {
  if (std::string problem = restrictProtocols(context); !problem.empty()) return problem;
  context.set_verify_mode(ssl::verify_peer);
  boost::system::error_code error;
  if (files.trustedCa.empty()) {
    context.set_default_verify_paths(error);
    if (error) return "the system's trusted certificates cannot be loaded (" + sslWhy(error) + ")";
    return {};
  }
  const Pem authorities = readPem(files.trustedCa);
  if (!authorities.problem.empty()) return authorities.problem;
  context.add_certificate_authority(boost::asio::buffer(authorities.bytes), error);
  if (error) return files.trustedCa.string() + ": not PEM certificates (" + sslWhy(error) + ")";
  return {};
}

}  // namespace

TlsContexts loadTlsContexts(const TlsFiles& files) {
  TlsContexts contexts;
  auto server = std::make_shared<ssl::context>(ssl::context::tls_server);
  auto client = std::make_shared<ssl::context>(ssl::context::tls_client);
  contexts.problem = loadServer(*server, files, contexts.warnings, contexts.serverName);
  if (contexts.problem.empty()) contexts.problem = loadClient(*client, files);
  if (contexts.problem.empty()) {
    contexts.server = std::move(server);
    contexts.client = std::move(client);
  } else {
    contexts.warnings.clear();
    contexts.serverName.clear();
  }
  return contexts;
}

TlsContexts loadTlsClient(const std::filesystem::path& trustedCa) {
  TlsContexts contexts;
  auto client = std::make_shared<ssl::context>(ssl::context::tls_client);
  contexts.problem = loadClient(*client, {{}, {}, trustedCa});
  if (contexts.problem.empty()) contexts.client = std::move(client);
  return contexts;
}

}  // namespace velkor::node::http
