#include "RequestRules.h"

#include <algorithm>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/field.hpp>
#include <span>
#include <string_view>
#include <vector>

namespace velkor::node::http {
namespace {

namespace bhttp = boost::beast::http;

constexpr std::string_view kChunked = "chunked";
// The one WebSocket version there is (RFC 6455), and the longest key Beast's accept
// takes: the base64 of 16 bytes.
constexpr std::string_view kWebSocketVersion = "13";
constexpr std::size_t kWebSocketKeyChars = 24;
constexpr const char* kWebSocket = "websocket";
constexpr const char* kUpgradeOption = "upgrade";
constexpr unsigned kHttp11 = 11;

constexpr unsigned kBadRequest = 400;
constexpr unsigned kNotImplemented = 501;
constexpr unsigned kUpgradeRequired = 426;

Refusal refusal(unsigned status, std::string why, bool close, const RequestHeader& header) {
  Response answer = errorResponse(status, why, header.version());
  return {std::move(answer), std::move(why), close};
}

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kWhitespace = " \t";
  const std::size_t first = text.find_first_not_of(kWhitespace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhitespace) - first + 1);
}

// The transfer codings of every Transfer-Encoding line in order, without their
// parameters; empty list elements are allowed and skipped.
std::vector<std::string_view> transferCodings(const RequestHeader& header) {
  std::vector<std::string_view> codings;
  const auto [first, last] = header.equal_range(bhttp::field::transfer_encoding);
  for (auto line = first; line != last; ++line) {
    std::string_view rest(line->value().data(), line->value().size());
    while (true) {
      const std::size_t comma = rest.find(',');
      const std::string_view element = rest.substr(0, comma);
      const std::string_view coding = trimmed(element.substr(0, element.find(';')));
      if (!coding.empty()) codings.push_back(coding);
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }
  return codings;
}

bool isChunked(std::string_view coding) {
  return boost::beast::iequals(boost::beast::string_view(coding.data(), coding.size()),
                               boost::beast::string_view(kChunked.data(), kChunked.size()));
}

}  // namespace

std::optional<Refusal> checkFraming(const RequestHeader& header) {
  if (header.version() >= kHttp11 && header.count(bhttp::field::host) != 1)
    return refusal(kBadRequest, "an HTTP/1.1 request names its Host once", false, header);
  if (header.count(bhttp::field::transfer_encoding) == 0) return std::nullopt;
  // Framing is where requests get smuggled past one server to the next: whatever is not
  // plainly chunked ends the connection.
  if (header.version() < kHttp11) return refusal(kBadRequest, "Transfer-Encoding in an HTTP/1.0 request", true, header);
  const std::vector<std::string_view> codings = transferCodings(header);
  if (codings.empty() || !isChunked(codings.back()))
    return refusal(kBadRequest, "a request's Transfer-Encoding ends with chunked", true, header);
  const std::span<const std::string_view> before = std::span(codings).first(codings.size() - 1);
  if (std::any_of(before.begin(), before.end(), isChunked))
    return refusal(kBadRequest, "chunked applied twice", true, header);
  if (!before.empty())
    return refusal(kNotImplemented, "transfer coding " + std::string(before.front()) + " not supported", true, header);
  return std::nullopt;
}

std::optional<Refusal> checkUpgrade(const RequestHeader& header) {
  if (header.version() != kHttp11) return refusal(kBadRequest, "a WebSocket upgrade is HTTP/1.1", false, header);
  const auto key = header.find(bhttp::field::sec_websocket_key);
  if (key == header.end() || key->value().empty()) return refusal(kBadRequest, "no Sec-WebSocket-Key", false, header);
  if (key->value().size() > kWebSocketKeyChars)
    return refusal(kBadRequest, "Sec-WebSocket-Key too long", false, header);
  const auto version = header.find(bhttp::field::sec_websocket_version);
  if (version == header.end()) return refusal(kBadRequest, "no Sec-WebSocket-Version", false, header);
  if (std::string_view(version->value().data(), version->value().size()) != kWebSocketVersion) {
    Refusal refused =
        refusal(kUpgradeRequired, "WebSocket version " + std::string(kWebSocketVersion) + " only", false, header);
    refused.answer.set(bhttp::field::sec_websocket_version, std::string(kWebSocketVersion));
    // A 426 names the protocol to upgrade to, and marks that field for this hop only.
    refused.answer.set(bhttp::field::upgrade, kWebSocket);
    refused.answer.set(bhttp::field::connection, kUpgradeOption);
    return refused;
  }
  return std::nullopt;
}

}  // namespace velkor::node::http
