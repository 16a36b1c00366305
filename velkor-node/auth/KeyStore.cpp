#include "KeyStore.h"

namespace velkor::node::auth {

void KeyStore::take(const std::string& issuer, std::vector<SigningKey> keys, std::int64_t now) {
  Issuer& entry = issuers_[issuer];
  count_ = count_ - entry.keys.size() + keys.size();
  entry.keys = std::move(keys);
  entry.askedAt = now;
}

void KeyStore::askFailed(const std::string& issuer, std::int64_t now) { issuers_[issuer].askedAt = now; }

KeyMatch KeyStore::verify(const AccessToken& token) const {
  bool named = false;
  for (const auto& [issuer, entry] : issuers_) {
    for (const SigningKey& key : entry.keys) {
      if (!token.keyId.empty() && key.keyId != token.keyId) continue;
      named = true;
      if (signedBy(token, key.key.get())) return KeyMatch::Verified;
    }
  }
  return !token.keyId.empty() && !named ? KeyMatch::UnknownKey : KeyMatch::WrongKey;
}

bool KeyStore::askedLately(const std::string& issuer, std::int64_t now) const {
  const auto found = issuers_.find(issuer);
  return found != issuers_.end() && now - found->second.askedAt < askAgainAfter_;
}

}  // namespace velkor::node::auth
