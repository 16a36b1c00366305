#include "SigningKeys.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/param_build.h>

#include <nlohmann/json.hpp>

#include "Base64.h"

namespace velkor::node::auth {
namespace {

using nlohmann::json;

constexpr const char* kKeyTypeRsa = "RSA";
constexpr const char* kUseSignature = "sig";
constexpr const char* kOperationVerify = "verify";
constexpr const char* kAlgorithmRs512 = "RS512";
// Shorter RSA keys are breakable; no authorization server should sign with one.
constexpr int kShortestModulusBits = 2048;

struct BignumFree {
  void operator()(BIGNUM* number) const { BN_free(number); }
};
using Bignum = std::unique_ptr<BIGNUM, BignumFree>;

Bignum bignumOf(const json& key, const char* member) {
  if (!key.contains(member) || !key[member].is_string()) return nullptr;
  const std::optional<std::string> bytes = decodeBase64Url(key[member].get_ref<const std::string&>());
  if (!bytes || bytes->empty()) return nullptr;
  return Bignum(BN_bin2bn(reinterpret_cast<const unsigned char*>(bytes->data()), static_cast<int>(bytes->size()), nullptr));
}

std::shared_ptr<EVP_PKEY> rsaPublicKey(const json& key) {
  const Bignum modulus = bignumOf(key, "n");
  const Bignum exponent = bignumOf(key, "e");
  if (!modulus || !exponent || BN_num_bits(modulus.get()) < kShortestModulusBits) return nullptr;
  std::unique_ptr<OSSL_PARAM_BLD, decltype(&OSSL_PARAM_BLD_free)> builder(OSSL_PARAM_BLD_new(), &OSSL_PARAM_BLD_free);
  if (!builder || OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_N, modulus.get()) != 1 ||
      OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_E, exponent.get()) != 1)
    return nullptr;
  std::unique_ptr<OSSL_PARAM, decltype(&OSSL_PARAM_free)> params(OSSL_PARAM_BLD_to_param(builder.get()), &OSSL_PARAM_free);
  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr),
                                                                      &EVP_PKEY_CTX_free);
  EVP_PKEY* made = nullptr;
  if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
      EVP_PKEY_fromdata(context.get(), &made, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
    return nullptr;
  return std::shared_ptr<EVP_PKEY>(made, &EVP_PKEY_free);
}

// Whether the set says the key is for verifying signatures. "key_ops" is an array by
// RFC 7517; some servers (AMWA's testing tool among them) give a single string.
bool meantForVerifying(const json& key) {
  if (key.contains("use") && key["use"] != kUseSignature) return false;
  if (key.contains("alg") && key["alg"] != kAlgorithmRs512) return false;
  if (!key.contains("key_ops")) return true;
  const json& operations = key["key_ops"];
  if (operations.is_string()) return operations == kOperationVerify;
  if (!operations.is_array()) return false;
  for (const json& operation : operations)
    if (operation == kOperationVerify) return true;
  return false;
}

}  // namespace

KeySetRead readKeySet(std::string_view text) {
  KeySetRead read;
  const json set = json::parse(text, nullptr, false);
  if (set.is_discarded() || !set.is_object() || !set.contains("keys") || !set["keys"].is_array()) {
    read.problem = "not a JSON Web Key Set";
    return read;
  }
  for (const json& key : set["keys"]) {
    if (!key.is_object() || !key.contains("kty") || key["kty"] != kKeyTypeRsa || !meantForVerifying(key)) continue;
    std::shared_ptr<EVP_PKEY> publicKey = rsaPublicKey(key);
    if (!publicKey) continue;
    read.keys.push_back({key.contains("kid") && key["kid"].is_string() ? key["kid"].get<std::string>() : std::string(),
                         std::move(publicKey)});
  }
  return read;
}

}  // namespace velkor::node::auth
