#include "ServerMetadata.h"

#include <nlohmann/json.hpp>

namespace velkor::node::auth {
namespace {

using nlohmann::json;

std::optional<http::Url> urlMember(const json& document, const char* name) {
  if (!document.contains(name) || !document[name].is_string()) return std::nullopt;
  return http::parseUrl(document[name].get_ref<const std::string&>());
}

}  // namespace

MetadataRead readMetadata(std::string_view text) {
  const json document = json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) return {std::nullopt, "not a JSON object"};
  if (!document.contains("issuer") || !document["issuer"].is_string()) return {std::nullopt, "no issuer"};
  const std::optional<http::Url> keys = urlMember(document, "jwks_uri");
  if (!keys) return {std::nullopt, "no jwks_uri"};
  return {ServerMetadata{issuerKey(document["issuer"].get<std::string>()), *keys, urlMember(document, "token_endpoint"),
                         urlMember(document, "registration_endpoint")},
          {}};
}

std::optional<http::Url> metadataUrlOf(std::string_view issuer) {
  std::optional<http::Url> url = http::parseUrl(issuerKey(issuer));
  if (!url) return std::nullopt;
  // The issuer's path (none, or "/x-nmos/auth/v1.0") follows the well-known path.
  const std::string path = url->target == "/" ? std::string() : url->target;
  url->target = std::string(kMetadataPath) + path;
  return url;
}

std::string issuerKey(std::string_view issuer) {
  while (!issuer.empty() && issuer.back() == '/') issuer.remove_suffix(1);
  return std::string(issuer);
}

}  // namespace velkor::node::auth
