#pragma once
// The public keys the node holds, by the issuer they came from, and when each issuer was
// last asked for them, so that a token signed by a key the node lacks makes the node ask
// that issuer once in a while, never at every request. Keys stay until their issuer
// gives others: an authorization server that cannot be reached leaves them in use.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "AccessToken.h"
#include "SigningKeys.h"

namespace velkor::node::auth {

enum class KeyMatch {
  Verified,     // a key held made the signature
  WrongKey,     // the key the token names (or, naming none, every key) does not
  UnknownKey,   // the token names a key the node does not hold
};

class KeyStore {
 public:
  // How long after asking an issuer the node takes its answer as final for tokens it
  // cannot verify.
  explicit KeyStore(std::int64_t askAgainAfterSeconds = 30) : askAgainAfter_(askAgainAfterSeconds) {}

  // What the issuer gave: its keys replace those it gave before.
  void take(const std::string& issuer, std::vector<SigningKey> keys, std::int64_t now);
  // The issuer was asked and did not answer with keys: its keys (if any) stay.
  void askFailed(const std::string& issuer, std::int64_t now);
  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }

  // A token naming a key ("kid") is tried with the keys of that id only; one naming
  // none, with every key held.
  KeyMatch verify(const AccessToken& token) const;
  // Whether the issuer was asked lately enough that asking again would not help.
  bool askedLately(const std::string& issuer, std::int64_t now) const;

 private:
  struct Issuer {
    std::vector<SigningKey> keys;
    std::int64_t askedAt = 0;
  };
  std::int64_t askAgainAfter_;
  std::map<std::string, Issuer, std::less<>> issuers_;
  std::size_t count_ = 0;
};

}  // namespace velkor::node::auth
