// What the node answers a request by the token it carries: one table of every way a
// token can fall short (401), not reach far enough (403) or not be decidable yet (503),
// beside those it lets through; then the keys that come and go.

#include <gtest/gtest.h>

#include <optional>

#include "AccessRules.h"
#include "KeyStore.h"
#include "SigningKeys.h"
#include "TestTokens.h"
#include "TokenCheck.h"

namespace velkor::node::auth {
namespace {

using nlohmann::json;
using testing::claimsFor;
using testing::TestKey;

const std::string kIssuer = "https://auth.example.com";
const std::string kHost = "node-3.example.com";
const json kNodeReader = {{"x-nmos-node", {{"read", {"*"}}}}};

std::vector<SigningKey> keysOf(const TestKey& key) {
  return readKeySet(json{{"keys", {key.jwk()}}}.dump()).keys;
}

class TokenCheckTest : public ::testing::Test {
 protected:
  static inline const TestKey issuerKey{};           // the facility's, no kid (as AMWA's tool signs)
  static inline const TestKey strangerKey{};         // nobody's the node holds
  static inline const TestKey rotatedKey{"key-2"};   // the facility's next key, named

  // The keys were fetched a while ago, as the hourly fetch leaves them.
  TokenCheckTest() { keys.take(kIssuer, keysOf(issuerKey), now - 600); }

  std::int64_t now = testing::secondsNow();
  KeyStore keys;
};

TEST_F(TokenCheckTest, AnswersEveryRequestByItsToken) {
  json expired = claimsFor(kIssuer, kNodeReader);
  expired["exp"] = now - 3600;
  expired["iat"] = now - 7200;
  json justExpired = claimsFor(kIssuer, kNodeReader);
  justExpired["exp"] = now - 2;  // within the clocks' skew
  json notYet = claimsFor(kIssuer, kNodeReader);
  notYet["nbf"] = now + 600;
  json issuedLater = claimsFor(kIssuer, kNodeReader);
  issuedLater["iat"] = now + 600;
  json elsewhere = claimsFor(kIssuer, kNodeReader);
  elsewhere["aud"] = {"https://*.nmos.example.org"};
  json named = claimsFor(kIssuer, kNodeReader);
  named["aud"] = {"node-3.example.com", "https://other.example.com"};
  json scopeOnly = claimsFor(kIssuer, json::object());
  json nonsense = claimsFor(kIssuer, {{"x-nmos-nonsense", {{"read", {"*"}}}}});
  nonsense["scope"] = "nonsense";
  json devicesOnly = claimsFor(kIssuer, {{"x-nmos-node", {{"read", {"devices/*"}}}}});
  json writer = claimsFor(kIssuer, {{"x-nmos-node", {{"read", {"*"}}, {"write", {"*"}}}}});
  const std::string valid = issuerKey.sign(claimsFor(kIssuer, kNodeReader));
  std::string tampered = valid;
  tampered[tampered.size() / 2] = tampered[tampered.size() / 2] == 'A' ? 'B' : 'A';
  const std::string unsigned_ = testing::base64Url(R"({"alg":"none"})") + "." +
                                testing::base64Url(claimsFor(kIssuer, kNodeReader).dump()) + ".";
  const std::string hmac = issuerKey.sign(claimsFor(kIssuer, kNodeReader), {{"alg", "HS256"}});

  const std::string self = "/x-nmos/node/v1.3/self";
  struct Case {
    const char* what;
    std::string token;
    std::string target;
    Access access;
    std::optional<Refusal> expected;  // none: let through
    bool mayAsk = false;              // the token's issuer may be asked for keys
  };
  const std::vector<Case> cases = {
      {"a valid token", valid, self, Access::Read, std::nullopt},
      {"no token", "", self, Access::Read, Refusal::NoToken},
      {"random text", "2f1c0a7e-3b9d-4c55-9a2b-6f0e1d3c4b5a", self, Access::Read, Refusal::Malformed},
      {"three parts of nothing", "a.b.c", self, Access::Read, Refusal::Malformed},
      {"unsigned (alg none)", unsigned_, self, Access::Read, Refusal::Malformed},
      {"HMAC named in the header", hmac, self, Access::Read, Refusal::Malformed},
      {"a changed payload", tampered, self, Access::Read, Refusal::BadSignature},
      {"expired", issuerKey.sign(expired), self, Access::Read, Refusal::Expired},
      {"expired within the skew", issuerKey.sign(justExpired), self, Access::Read, std::nullopt},
      {"not valid before later", issuerKey.sign(notYet), self, Access::Read, Refusal::NotYetValid},
      {"issued in the future", issuerKey.sign(issuedLater), self, Access::Read, Refusal::NotYetValid},
      {"meant for other hosts", issuerKey.sign(elsewhere), self, Access::Read, Refusal::WrongAudience},
      {"naming this host exactly", issuerKey.sign(named), self, Access::Read, std::nullopt},
      {"signed by a stranger, issuer not to be asked", strangerKey.sign(claimsFor(kIssuer, kNodeReader)), self,
       Access::Read, Refusal::BadSignature},
      {"signed by a key not held yet", strangerKey.sign(claimsFor(kIssuer, kNodeReader)), self, Access::Read,
       Refusal::FetchingKeys, true},
      {"naming a key not held yet", rotatedKey.sign(claimsFor(kIssuer, kNodeReader)), self, Access::Read,
       Refusal::FetchingKeys, true},
      {"expired and of a key not held: no fetch", strangerKey.sign(expired), self, Access::Read, Refusal::Expired, true},
      {"scope alone, the API's base", issuerKey.sign(scopeOnly), "/x-nmos/node/v1.3/", Access::Read, std::nullopt},
      {"scope alone, below the base", issuerKey.sign(scopeOnly), self, Access::Read, Refusal::InsufficientScope},
      {"another API's scope and claim", issuerKey.sign(nonsense), "/x-nmos/node/v1.3", Access::Read,
       Refusal::InsufficientScope},
      {"a path the claim names", issuerKey.sign(devicesOnly), "/x-nmos/node/v1.3/devices/dev-1", Access::Read,
       std::nullopt},
      {"a path it does not", issuerKey.sign(devicesOnly), self, Access::Read, Refusal::InsufficientScope},
      {"climbing out of a path it names", issuerKey.sign(devicesOnly), "/x-nmos/node/v1.3/devices/../self",
       Access::Read, Refusal::InsufficientScope},
      {"read rights for a write", valid, self, Access::Write, Refusal::InsufficientScope},
      {"write rights for a write", issuerKey.sign(writer), self, Access::Write, std::nullopt},
      {"the root, without a token", "", "/", Access::Read, std::nullopt},
      {"x-nmos, without a token", "", "/x-nmos/", Access::Read, std::nullopt},
      {"an API's base, without a token", "", "/x-nmos/node/", Access::Read, Refusal::NoToken},
  };
  for (const Case& c : cases) {
    const TokenCheck check(keys, [&](const std::string&) { return c.mayAsk; }, kHost);
    const Verdict verdict = check.checkRequest(c.target, c.access, c.token, now);
    EXPECT_EQ(verdict.refusal, c.expected) << c.what << ": " << verdict.detail;
    if (c.expected == Refusal::FetchingKeys) {
      EXPECT_EQ(verdict.askIssuer, kIssuer) << c.what;
    }
  }
}

TEST_F(TokenCheckTest, StatusAndNameOfEachRefusal) {
  const std::vector<std::tuple<Refusal, unsigned, std::string>> expected = {
      {Refusal::NoToken, 401, "no_token"},           {Refusal::Malformed, 401, "malformed"},
      {Refusal::BadSignature, 401, "bad_signature"}, {Refusal::Expired, 401, "expired"},
      {Refusal::NotYetValid, 401, "not_yet_valid"},  {Refusal::WrongAudience, 403, "wrong_audience"},
      {Refusal::InsufficientScope, 403, "insufficient_scope"}, {Refusal::NoKeysYet, 503, "no_keys_yet"},
      {Refusal::FetchingKeys, 503, "fetching_keys"},
  };
  for (const auto& [refusal, status, name] : expected) {
    EXPECT_EQ(refusalStatus(refusal), status) << name;
    EXPECT_EQ(refusalName(refusal), name);
  }
}

// Never served unchecked: before the first key, every token waits.
TEST_F(TokenCheckTest, WithoutAnyKeyEveryTokenWaits) {
  const KeyStore none;
  const TokenCheck check(none, nullptr, kHost);
  EXPECT_EQ(check.check(issuerKey.sign(claimsFor(kIssuer, kNodeReader)), now).refusal, Refusal::NoKeysYet);
  EXPECT_EQ(check.check("", now).refusal, Refusal::NoToken);
}

// The server turns to a new key: a token of it is fetched for once, then let through;
// once the server has dropped a key, its tokens are refused without asking again.
TEST_F(TokenCheckTest, KeysRotate) {
  const TokenCheck check(keys, [](const std::string&) { return true; }, kHost);
  const std::string newer = rotatedKey.sign(claimsFor(kIssuer, kNodeReader));
  const std::string older = issuerKey.sign(claimsFor(kIssuer, kNodeReader));
  EXPECT_EQ(check.check(newer, now).refusal, Refusal::FetchingKeys);
  keys.take(kIssuer, keysOf(rotatedKey), now);
  EXPECT_TRUE(check.check(newer, now).allowed());
  EXPECT_EQ(check.check(older, now).refusal, Refusal::BadSignature);  // just asked: no second fetch
  EXPECT_EQ(check.check(older, now + 60).refusal, Refusal::FetchingKeys);  // asked long ago
  // A server that cannot be reached leaves the keys the node has.
  keys.askFailed(kIssuer, now + 60);
  EXPECT_TRUE(check.check(newer, now + 60).allowed());
}

TEST(SigningKeysTest, TakesOnlyRsaVerifyingKeysOfSafeLength) {
  const TestKey key("k");
  const TestKey shortKey("short", 1024);
  const json set = {{"keys",
                     {key.jwk(),
                      key.jwk({{"kid", "ops-as-string"}, {"key_ops", "verify"}}),  // as AMWA's tool writes it
                      key.jwk({{"kid", "ops-as-array"}, {"key_ops", {"sign", "verify"}}}),
                      key.jwk({{"kid", "encrypting"}, {"use", "enc"}}),
                      key.jwk({{"kid", "signing-only"}, {"key_ops", {"sign"}}}),
                      key.jwk({{"kid", "other-algorithm"}, {"alg", "RS256"}}),
                      key.jwk({{"kid", "elliptic"}, {"kty", "EC"}}),
                      key.jwk({{"kid", "no-modulus"}, {"n", "!!"}}),
                      shortKey.jwk()}}};
  const KeySetRead read = readKeySet(set.dump());
  std::vector<std::string> ids;
  for (const SigningKey& k : read.keys) ids.push_back(k.keyId);
  EXPECT_EQ(ids, (std::vector<std::string>{"k", "ops-as-string", "ops-as-array"}));
  EXPECT_FALSE(readKeySet("[]").problem.empty());
  EXPECT_FALSE(readKeySet("not json").problem.empty());
}

TEST(AccessRulesTest, PatternsAudiencesAndPaths) {
  const std::vector<std::tuple<std::string, std::string, bool>> patterns = {
      {"*", "", true},
      {"*", "single/senders/a/constraints", true},
      {"single/senders/*/constraints", "single/senders/ea38/constraints", true},
      {"single/*", "bulk/senders", false},
      {"devices/*", "devices", false},
      {"root.*", "root.output", true},
      {"*a*b", "xaxxb", true},
      {"a*b", "ab", true},
      {"a*b", "abc", false},
  };
  for (const auto& [pattern, text, matches] : patterns) EXPECT_EQ(patternMatches(pattern, text), matches) << pattern << " ~ " << text;

  struct Audience {
    std::vector<std::string> names;
    bool namesThisHost;
  };
  const std::vector<Audience> audiences = {
      {{"https://*.example.com"}, true},
      {{"*.example.com"}, true},
      {{"node-3.example.com"}, true},
      {{"https://NODE-3.Example.com/"}, true},
      {{"http://*.testsuite.nmos.tv", "http://*.local"}, false},
      {{"*.node-3.example.com"}, false},  // a wildcard stands for names below, not the name
      {{"https://node-3.example.com:443"}, false},
      {{"https://node-3.example.com/path"}, false},
      {{}, false},
  };
  for (const Audience& a : audiences)
    EXPECT_EQ(audienceNames(a.names, "node-3.example.com."), a.namesThisHost) << (a.names.empty() ? "" : a.names[0]);

  const std::vector<std::tuple<std::string, std::optional<std::string>>> paths = {
      {"/", "/"},
      {"/x-nmos/", "/x-nmos"},
      {"/x-nmos//node/v1.3/./self?access_token=x", "/x-nmos/node/v1.3/self"},
      {"/x-nmos/connection/v1.1/single/../bulk", "/x-nmos/connection/v1.1/bulk"},
      {"/../etc", std::nullopt},
  };
  for (const auto& [target, path] : paths) EXPECT_EQ(normalizedPath(target), path) << target;
}

}  // namespace
}  // namespace velkor::node::auth
