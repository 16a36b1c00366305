#pragma once
// Whether a request may go on, decided from the token it carries alone: no HTTP here,
// only the token's text, the path and the access asked for, the keys held and the time.
// The answer says how to refuse (401 for a token that proves nothing, 403 for one that
// does not reach this far, 503 while the keys to decide are being fetched) and why, for
// the log and the counters.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "AccessRules.h"
#include "KeyStore.h"

namespace velkor::node::auth {

enum class Refusal {
  NoToken,
  Malformed,
  BadSignature,
  Expired,
  NotYetValid,
  WrongAudience,
  InsufficientScope,
  NoKeysYet,     // the node holds no key at all yet
  FetchingKeys,  // the token's issuer is being asked for the key
};
inline constexpr std::size_t kRefusalKinds = 9;

// The name counters and logs use ("no_token", ...).
const char* refusalName(Refusal refusal);
// 401, 403 or 503.
unsigned refusalStatus(Refusal refusal);

struct Verdict {
  std::optional<Refusal> refusal;  // none: allowed
  std::string detail;              // why, in words, for the log
  std::optional<TokenClaims> claims;  // the token's, once it was read
  std::string askIssuer;  // set with FetchingKeys: the issuer to ask for its keys

  bool allowed() const { return !refusal; }
};

class TokenCheck {
 public:
  // How far the node's clock and the authorization server's may disagree.
  static constexpr std::int64_t kClockSkewSeconds = 5;
  // Whether the node may ask this issuer (a token's "iss") for its keys.
  using MayAsk = std::function<bool(const std::string& issuer)>;

  TokenCheck(const KeyStore& keys, MayAsk mayAsk, std::string hostName)
      : keys_(keys), mayAsk_(std::move(mayAsk)), hostName_(std::move(hostName)) {}

  // The token alone: signature, times, audience. `now` in seconds since 1970, UTC.
  Verdict check(std::string_view token, std::int64_t now) const;
  // A request: the target (its query ignored), the access it asks, the token it carries.
  Verdict checkRequest(std::string_view target, Access access, std::string_view token, std::int64_t now) const;

  const std::string& hostName() const { return hostName_; }

 private:
  const KeyStore& keys_;
  MayAsk mayAsk_;
  std::string hostName_;
};

}  // namespace velkor::node::auth
