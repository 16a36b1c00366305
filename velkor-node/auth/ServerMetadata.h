#pragma once
// What an authorization server says of itself (RFC 8414): who it is, and where its keys,
// tokens and client registration are. Read from its metadata document.

#include <optional>
#include <string>
#include <string_view>

#include "Url.h"

namespace velkor::node::auth {

inline constexpr std::string_view kMetadataPath = "/.well-known/oauth-authorization-server";

struct ServerMetadata {
  std::string issuer;
  http::Url keys;                         // "jwks_uri"
  std::optional<http::Url> tokens;        // "token_endpoint"
  std::optional<http::Url> registration;  // "registration_endpoint"
};

struct MetadataRead {
  std::optional<ServerMetadata> metadata;
  std::string problem;
};

MetadataRead readMetadata(std::string_view json);

// Where the metadata of the server with this issuer identifier is: the well-known path
// between the issuer's host and its own path. Nullopt when the issuer is no http(s) URL.
std::optional<http::Url> metadataUrlOf(std::string_view issuer);

// An issuer as one compares issuers: without a final '/'.
std::string issuerKey(std::string_view issuer);

}  // namespace velkor::node::auth
