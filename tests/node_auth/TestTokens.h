#pragma once
// Keys and tokens made at test time with OpenSSL, as an authorization server makes
// them: an RSA key pair, its public half as a JSON Web Key, and RS512-signed tokens
// whose header and claims each test sets. No key or token lives in the repository.

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "Base64.h"

namespace velkor::node::auth::testing {

inline std::string base64Url(std::string_view bytes) {
  std::string text = encodeBase64(bytes);
  for (char& c : text) c = c == '+' ? '-' : c == '/' ? '_' : c;
  while (!text.empty() && text.back() == '=') text.pop_back();
  return text;
}

inline std::int64_t secondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

class TestKey {
 public:
  explicit TestKey(std::string keyId = {}, unsigned bits = 2048)
      : key_(EVP_RSA_gen(bits), &EVP_PKEY_free), keyId_(std::move(keyId)) {}

  // The public key as a JWK; `extra` members added or replaced.
  nlohmann::json jwk(const nlohmann::json& extra = nlohmann::json::object()) const {
    nlohmann::json key = {{"kty", "RSA"}, {"n", base64Url(number(OSSL_PKEY_PARAM_RSA_N))},
                          {"e", base64Url(number(OSSL_PKEY_PARAM_RSA_E))}, {"alg", "RS512"}, {"use", "sig"}};
    if (!keyId_.empty()) key["kid"] = keyId_;
    key.update(extra);
    return key;
  }

  // A compact token of these claims, signed RS512 (or with the header given).
  std::string sign(const nlohmann::json& claims, nlohmann::json header = nullptr) const {
    if (header.is_null()) {
      header = {{"typ", "JWT"}, {"alg", "RS512"}};
      if (!keyId_.empty()) header["kid"] = keyId_;
    }
    const std::string input = base64Url(header.dump()) + "." + base64Url(claims.dump());
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    std::size_t length = 0;
    EVP_DigestSignInit(context.get(), nullptr, EVP_sha512(), nullptr, key_.get());
    EVP_DigestSign(context.get(), nullptr, &length, reinterpret_cast<const unsigned char*>(input.data()), input.size());
    std::string signature(length, '\0');
    EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                   reinterpret_cast<const unsigned char*>(input.data()), input.size());
    signature.resize(length);
    return input + "." + base64Url(signature);
  }

 private:
  std::string number(const char* name) const {
    BIGNUM* value = nullptr;
    EVP_PKEY_get_bn_param(key_.get(), name, &value);
    std::string bytes(static_cast<std::size_t>(BN_num_bytes(value)), '\0');
    BN_bn2bin(value, reinterpret_cast<unsigned char*>(bytes.data()));
    BN_free(value);
    return bytes;
  }

  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key_;
  std::string keyId_;
};

// Claims as the facility's server gives a controller: this node's domain in the
// audience, an hour to live, the rights given.
inline nlohmann::json claimsFor(const std::string& issuer, nlohmann::json rights, std::int64_t now = secondsNow()) {
  nlohmann::json claims = {{"iss", issuer},        {"sub", "operator@example.com"}, {"aud", {"https://*.example.com"}},
                           {"exp", now + 3600},    {"iat", now},                    {"client_id", "controller-1"},
                           {"scope", "node ncp"}};
  claims.update(rights);
  return claims;
}

}  // namespace velkor::node::auth::testing
