#include "AccessToken.h"

#include <memory>
#include <nlohmann/json.hpp>

#include "Base64.h"

namespace velkor::node::auth {
namespace {

using nlohmann::json;

constexpr const char* kAlgorithmRs512 = "RS512";
constexpr std::string_view kRightsClaimPrefix = "x-nmos-";
// A token travels in a header the server caps at 8 KiB; anything longer is no token.
constexpr std::size_t kLongestToken = 8 * 1024;
// Times past this (the year 5138) are taken as no time rather than risk overflow.
constexpr std::int64_t kLatestTime = 100'000'000'000;

std::optional<json> jsonPart(std::string_view part) {
  const std::optional<std::string> bytes = decodeBase64Url(part);
  if (!bytes) return std::nullopt;
  json value = json::parse(*bytes, nullptr, false);
  if (value.is_discarded() || !value.is_object()) return std::nullopt;
  return value;
}

bool stringsOf(const json& value, std::vector<std::string>& out) {
  if (!value.is_array()) return false;
  for (const json& item : value) {
    if (!item.is_string()) return false;
    out.push_back(item.get<std::string>());
  }
  return true;
}

std::optional<std::int64_t> timeOf(const json& payload, const char* name) {
  if (!payload.contains(name) || !payload[name].is_number()) return std::nullopt;
  // Seconds, maybe with a fraction; a time out of range has no meaning as one.
  const double seconds = payload[name].get<double>();
  if (seconds <= -kLatestTime || seconds >= kLatestTime) return std::nullopt;
  return static_cast<std::int64_t>(seconds);
}

// Empty, or what is wrong with the claims.
std::string readClaims(const json& payload, TokenClaims& claims) {
  if (!payload.contains("iss") || !payload["iss"].is_string()) return "no issuer";
  claims.issuer = payload["iss"].get<std::string>();
  if (payload.contains("sub") && payload["sub"].is_string()) claims.subject = payload["sub"].get<std::string>();
  for (const char* name : {"client_id", "azp"})
    if (claims.clientId.empty() && payload.contains(name) && payload[name].is_string())
      claims.clientId = payload[name].get<std::string>();
  // One audience may come as a string rather than an array of one.
  if (!payload.contains("aud")) return "no audience";
  if (payload["aud"].is_string())
    claims.audience.push_back(payload["aud"].get<std::string>());
  else if (!stringsOf(payload["aud"], claims.audience))
    return "an audience that is not a list of names";
  const std::optional<std::int64_t> expires = timeOf(payload, "exp");
  if (!expires) return "no expiry";
  claims.expires = *expires;
  claims.issuedAt = timeOf(payload, "iat");
  claims.notBefore = timeOf(payload, "nbf");
  if (payload.contains("scope")) {
    if (!payload["scope"].is_string()) return "a scope that is not text";
    const std::string& scope = payload["scope"].get_ref<const std::string&>();
    for (std::size_t at = 0; at < scope.size();) {
      const std::size_t end = std::min(scope.find(' ', at), scope.size());
      if (end > at) claims.scopes.emplace(scope.substr(at, end - at));
      at = end + 1;
    }
  }
  for (const auto& [name, value] : payload.items()) {
    if (!std::string_view(name).starts_with(kRightsClaimPrefix)) continue;
    if (!value.is_object()) return "claim " + name + " is not an object";
    ApiRights rights;
    if ((value.contains("read") && !stringsOf(value["read"], rights.read)) ||
        (value.contains("write") && !stringsOf(value["write"], rights.write)))
      return "claim " + name + " holds paths that are not text";
    claims.rights.emplace(name.substr(kRightsClaimPrefix.size()), std::move(rights));
  }
  return {};
}

}  // namespace

TokenRead readAccessToken(std::string_view compact) {
  if (compact.size() > kLongestToken) return {std::nullopt, "longer than any token"};
  const std::size_t firstDot = compact.find('.');
  const std::size_t secondDot = firstDot == std::string_view::npos ? firstDot : compact.find('.', firstDot + 1);
  if (secondDot == std::string_view::npos || compact.find('.', secondDot + 1) != std::string_view::npos)
    return {std::nullopt, "not a signed token of three parts"};
  const std::optional<json> header = jsonPart(compact.substr(0, firstDot));
  if (!header) return {std::nullopt, "a header that is not base64url JSON"};
  // The algorithm is fixed, never taken from the token: a token that names another (none,
  // or HMAC keyed with the public key) is refused before any key is tried.
  if (!header->contains("alg") || (*header)["alg"] != kAlgorithmRs512) return {std::nullopt, "not signed RS512"};
  const std::optional<json> payload = jsonPart(compact.substr(firstDot + 1, secondDot - firstDot - 1));
  if (!payload) return {std::nullopt, "a payload that is not base64url JSON"};
  const std::optional<std::string> signature = decodeBase64Url(compact.substr(secondDot + 1));
  if (!signature || signature->empty()) return {std::nullopt, "no signature"};

  AccessToken token;
  if (header->contains("kid") && (*header)["kid"].is_string()) token.keyId = (*header)["kid"].get<std::string>();
  token.signingInput = std::string(compact.substr(0, secondDot));
  token.signature = *signature;
  if (std::string problem = readClaims(*payload, token.claims); !problem.empty()) return {std::nullopt, problem};
  return {std::move(token), {}};
}

bool signedBy(const AccessToken& token, EVP_PKEY* key) {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  // RS512: RSASSA-PKCS1-v1_5 with SHA-512, OpenSSL's default padding for an RSA key.
  if (!context || EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha512(), nullptr, key) != 1) return false;
  return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(token.signature.data()),
                          token.signature.size(), reinterpret_cast<const unsigned char*>(token.signingInput.data()),
                          token.signingInput.size()) == 1;
}

}  // namespace velkor::node::auth
