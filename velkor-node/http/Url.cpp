#include "Url.h"

#include <charconv>

namespace velkor::node::http {
namespace {

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";
constexpr const char* kHttpPort = "80";
constexpr const char* kHttpsPort = "443";

}  // namespace

std::string Url::text() const {
  const bool v6 = host.find(':') != std::string::npos;
  return std::string(tls ? kHttps : kHttp) + (v6 ? "[" + host + "]" : host) + ":" + port + target;
}

std::optional<Url> parseUrl(std::string_view text) {
  Url url;
  if (text.starts_with(kHttps)) {
    url.tls = true;
    text.remove_prefix(kHttps.size());
  } else if (text.starts_with(kHttp)) {
    text.remove_prefix(kHttp.size());
  } else {
    return std::nullopt;
  }
  const std::size_t pathStart = text.find_first_of("/?#");
  std::string_view authority = text.substr(0, pathStart);
  std::string_view rest = pathStart == std::string_view::npos ? std::string_view() : text.substr(pathStart);
  rest = rest.substr(0, rest.find('#'));
  // No user information: a URL that carries a password is no endpoint of ours.
  if (authority.find('@') != std::string_view::npos) return std::nullopt;
  std::string_view port;
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    url.host = std::string(authority.substr(1, close - 1));
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && !after.starts_with(':')) return std::nullopt;
    if (!after.empty()) port = after.substr(1);
  } else {
    const std::size_t colon = authority.find(':');
    url.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) port = authority.substr(colon + 1);
  }
  if (url.host.empty()) return std::nullopt;
  if (!port.empty()) {
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (error != std::errc{} || end != port.data() + port.size() || number == 0 || number > 65535) return std::nullopt;
    url.port = std::to_string(number);
  } else {
    url.port = url.tls ? kHttpsPort : kHttpPort;
  }
  url.target = rest.empty() || rest.front() != '/' ? "/" + std::string(rest) : std::string(rest);
  return url;
}

}  // namespace velkor::node::http
