#include "TokenCheck.h"

namespace velkor::node::auth {
namespace {

struct RefusalRow {
  Refusal refusal;
  const char* name;
  unsigned status;
};
constexpr std::array<RefusalRow, kRefusalKinds> kRefusals{{
    {Refusal::NoToken, "no_token", 401},
    {Refusal::Malformed, "malformed", 401},
    {Refusal::BadSignature, "bad_signature", 401},
    {Refusal::Expired, "expired", 401},
    {Refusal::NotYetValid, "not_yet_valid", 401},
    {Refusal::WrongAudience, "wrong_audience", 403},
    {Refusal::InsufficientScope, "insufficient_scope", 403},
    {Refusal::NoKeysYet, "no_keys_yet", 503},
    {Refusal::FetchingKeys, "fetching_keys", 503},
}};

Verdict refuse(Refusal refusal, std::string detail, std::optional<TokenClaims> claims = std::nullopt) {
  return {refusal, std::move(detail), std::move(claims), {}};
}

// Empty, or the time claim that rules the token out now.
std::optional<Verdict> timeRefusal(const TokenClaims& claims, std::int64_t now) {
  const std::int64_t skew = TokenCheck::kClockSkewSeconds;
  if (claims.expires < now - skew) return refuse(Refusal::Expired, "expired at " + std::to_string(claims.expires), claims);
  if (claims.notBefore && *claims.notBefore > now + skew)
    return refuse(Refusal::NotYetValid, "not valid before " + std::to_string(*claims.notBefore), claims);
  if (claims.issuedAt && *claims.issuedAt > now + skew)
    return refuse(Refusal::NotYetValid, "issued in the future, at " + std::to_string(*claims.issuedAt), claims);
  return std::nullopt;
}

}  // namespace

const char* refusalName(Refusal refusal) { return kRefusals[static_cast<std::size_t>(refusal)].name; }
unsigned refusalStatus(Refusal refusal) { return kRefusals[static_cast<std::size_t>(refusal)].status; }

Verdict TokenCheck::check(std::string_view text, std::int64_t now) const {
  if (text.empty()) return refuse(Refusal::NoToken, "no token");
  TokenRead read = readAccessToken(text);
  if (!read.token) return refuse(Refusal::Malformed, read.problem);
  const AccessToken& token = *read.token;
  // Never served unchecked: with no key to check by, the client is asked to come back.
  if (keys_.empty()) return refuse(Refusal::NoKeysYet, "no key of an authorization server yet", token.claims);
  const KeyMatch match = keys_.verify(token);
  if (match != KeyMatch::Verified) {
    // A token that would be refused anyway is not worth a fetch.
    if (std::optional<Verdict> late = timeRefusal(token.claims, now)) return std::move(*late);
    const std::string& issuer = token.claims.issuer;
    const bool askable = !(match == KeyMatch::WrongKey && !token.keyId.empty()) && !keys_.askedLately(issuer, now) &&
                         mayAsk_ && mayAsk_(issuer);
    if (askable) {
      Verdict verdict = refuse(Refusal::FetchingKeys, "signed by a key not held; asking " + issuer, token.claims);
      verdict.askIssuer = issuer;
      return verdict;
    }
    return refuse(Refusal::BadSignature,
                  match == KeyMatch::UnknownKey ? "signed by key " + token.keyId + ", which " + issuer + " does not give"
                                                : "the signature is not of a key held",
                  token.claims);
  }
  if (std::optional<Verdict> late = timeRefusal(token.claims, now)) return std::move(*late);
  if (!audienceNames(token.claims.audience, hostName_))
    return refuse(Refusal::WrongAudience, "meant for others than " + hostName_, token.claims);
  return {std::nullopt, {}, std::move(read.token->claims), {}};
}

Verdict TokenCheck::checkRequest(std::string_view target, Access access, std::string_view token, std::int64_t now) const {
  const std::optional<std::string> path = normalizedPath(target);
  if (!path) return refuse(Refusal::InsufficientScope, "a path above the root");
  if (access == Access::Read && openToAll(*path)) return {};
  Verdict verdict = check(token, now);
  if (!verdict.allowed()) return verdict;
  if (std::string why = pathRefusal(*verdict.claims, *path, access); !why.empty())
    return refuse(Refusal::InsufficientScope, std::move(why), std::move(verdict.claims));
  return verdict;
}

}  // namespace velkor::node::auth
