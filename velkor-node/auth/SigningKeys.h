#pragma once
// The public keys an authorization server signs its tokens with, read from its JSON Web
// Key Set: only RSA keys meant for verifying signatures (RS512, as NMOS tokens are
// signed), of at least 2048 bits, each held as an OpenSSL key ready to verify with.

#include <openssl/evp.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velkor::node::auth {

struct SigningKey {
  std::string keyId;  // "kid"; empty when the set gives none
  std::shared_ptr<EVP_PKEY> key;
};

struct KeySetRead {
  std::vector<SigningKey> keys;
  std::string problem;  // why the text is no key set; empty when it is one (maybe of no usable key)
};

KeySetRead readKeySet(std::string_view json);

}  // namespace velkor::node::auth
