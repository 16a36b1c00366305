#pragma once
// The node's OAuth client as the authorization server registered it, kept in the state
// folder ("oauth-client") so that a restart stays the same client rather than piling up
// registrations. Written as the node's id is, whole: a new file renamed into place,
// readable by the service's user alone, since it holds the client's secret.

#include <filesystem>
#include <optional>
#include <string>

namespace velkor::node::auth {

struct OAuthClient {
  std::string id;
  std::string secret;  // empty for a client without one
};

std::optional<OAuthClient> loadClient(const std::filesystem::path& stateDir);
// Empty, or why it could not be kept.
std::string saveClient(const std::filesystem::path& stateDir, const OAuthClient& client);

}  // namespace velkor::node::auth
