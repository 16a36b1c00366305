#pragma once
// An NMOS access token as it arrives: a JSON Web Token in compact form, signed RS512.
// Read into its key id, the bytes its signature covers, the signature, and the claims
// the node decides by; checked against a public key through OpenSSL. Nothing here
// trusts the token: reading it says only that it is well formed.

#include <openssl/evp.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velkor::node::auth {

// What an "x-nmos-<api>" claim grants: path patterns ('*' for any run of characters).
struct ApiRights {
  std::vector<std::string> read;
  std::vector<std::string> write;
};

struct TokenClaims {
  std::string issuer;
  std::string subject;
  std::string clientId;  // "client_id", else "azp"
  std::vector<std::string> audience;
  std::int64_t expires = 0;  // seconds since 1970, UTC
  std::optional<std::int64_t> issuedAt;
  std::optional<std::int64_t> notBefore;
  std::set<std::string, std::less<>> scopes;
  std::map<std::string, ApiRights, std::less<>> rights;  // by API name: "node" for "x-nmos-node"
};

struct AccessToken {
  std::string keyId;         // the header's "kid"; empty when it names none
  std::string signingInput;  // "header.payload" as sent
  std::string signature;
  TokenClaims claims;
};

struct TokenRead {
  std::optional<AccessToken> token;
  std::string problem;  // why it is no token the node takes, when there is none
};

TokenRead readAccessToken(std::string_view compact);

// Whether `key` made the token's signature.
bool signedBy(const AccessToken& token, EVP_PKEY* key);

}  // namespace velkor::node::auth
