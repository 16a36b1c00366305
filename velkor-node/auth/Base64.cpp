#include "Base64.h"

#include <openssl/evp.h>

namespace velkor::node::auth {
namespace {

// Base64 turns each 3 bytes into 4 characters; a group of 1 character holds no byte.
constexpr std::size_t kGroupChars = 4;
constexpr std::size_t kGroupBytes = 3;

}  // namespace

std::optional<std::string> decodeBase64Url(std::string_view text) {
  if (text.size() % kGroupChars == 1) return std::nullopt;
  std::string standard;
  standard.reserve(text.size() + kGroupChars);
  for (char c : text) {
    if (c == '-')
      standard += '+';
    else if (c == '_')
      standard += '/';
    else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      standard += c;
    else
      return std::nullopt;
  }
  const std::size_t padding = (kGroupChars - standard.size() % kGroupChars) % kGroupChars;
  standard.append(padding, '=');
  std::string bytes(standard.size() / kGroupChars * kGroupBytes, '\0');
  const int decoded = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                      reinterpret_cast<const unsigned char*>(standard.data()),
                                      static_cast<int>(standard.size()));
  if (decoded < 0 || static_cast<std::size_t>(decoded) < padding) return std::nullopt;
  // The codec counts the bytes the padding stands in for as decoded zeros.
  bytes.resize(static_cast<std::size_t>(decoded) - padding);
  return bytes;
}

std::string encodeBase64(std::string_view bytes) {
  std::string text((bytes.size() + kGroupBytes - 1) / kGroupBytes * kGroupChars + 1, '\0');
  const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                      reinterpret_cast<const unsigned char*>(bytes.data()),
                                      static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(written));
  return text;
}

}  // namespace velkor::node::auth
