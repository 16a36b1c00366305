#pragma once
// The two base64 forms OAuth uses: base64url without padding, which carries a token's
// parts and a key's numbers, and plain base64, which carries a client's credentials in a
// Basic authorization header. Through OpenSSL's codec.

#include <optional>
#include <string>
#include <string_view>

namespace velkor::node::auth {

// The bytes, or nullopt when the text is not base64url (a character outside its
// alphabet, padding, or a length no encoding has).
std::optional<std::string> decodeBase64Url(std::string_view text);

std::string encodeBase64(std::string_view bytes);

}  // namespace velkor::node::auth
