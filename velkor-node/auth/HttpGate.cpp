#include "HttpGate.h"

#include <algorithm>
#include <string_view>

namespace velkor::node::auth {
namespace {

namespace bhttp = boost::beast::http;

constexpr std::string_view kBearerScheme = "Bearer ";
constexpr std::string_view kAccessTokenParameter = "access_token=";

bool startsWithLetters(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

std::string_view targetOf(const http::Request& request) {
  return std::string_view(request.target().data(), request.target().size());
}

// The token a request carries: the Authorization header's bearer token, else, where
// `queryToo`, the access_token parameter. A header of another scheme carries a token
// that is none (refused as malformed, not as missing).
std::string_view tokenOf(const http::Request& request, bool queryToo) {
  if (const auto header = request.find(bhttp::field::authorization); header != request.end()) {
    const std::string_view value(header->value().data(), header->value().size());
    return startsWithLetters(value, kBearerScheme) ? value.substr(kBearerScheme.size()) : value;
  }
  if (!queryToo) return {};
  const std::string_view target = targetOf(request);
  const std::size_t query = target.find('?');
  if (query == std::string_view::npos) return {};
  for (std::string_view rest = target.substr(query + 1); !rest.empty();) {
    const std::size_t end = std::min(rest.find('&'), rest.size());
    const std::string_view parameter = rest.substr(0, end);
    if (parameter.starts_with(kAccessTokenParameter)) return parameter.substr(kAccessTokenParameter.size());
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return {};
}

// What the log says of a token: whose it is, never the token.
std::string whose(const Verdict& verdict) {
  if (!verdict.claims) return {};
  std::string text = " (issuer " + verdict.claims->issuer;
  if (!verdict.claims->subject.empty()) text += ", subject " + verdict.claims->subject;
  if (!verdict.claims->clientId.empty()) text += ", client " + verdict.claims->clientId;
  return text + ")";
}

}  // namespace

HttpGate::HttpGate(const TokenCheck& check, AskIssuer askIssuer, Clock clock, events::NodeEvents& events)
    : check_(check), askIssuer_(std::move(askIssuer)), clock_(std::move(clock)), events_(events) {}

std::optional<http::Response> HttpGate::screen(const http::Request& request, const boost::asio::ip::address& client) {
  const bhttp::verb method = request.method();
  if (method == bhttp::verb::options) return std::nullopt;
  const Access access = method == bhttp::verb::get || method == bhttp::verb::head ? Access::Read : Access::Write;
  const Verdict verdict = check_.checkRequest(targetOf(request), access, tokenOf(request, false), clock_());
  if (verdict.allowed()) return std::nullopt;
  return refuse(verdict, request, client);
}

HttpGate::Admission HttpGate::admitControl(const http::Request& request, const boost::asio::ip::address& client) {
  Verdict verdict = check_.check(tokenOf(request, true), clock_());
  if (verdict.allowed()) {
    const auto& rights = verdict.claims->rights;
    const bool grants = std::any_of(kControlRightsClaims.begin(), kControlRightsClaims.end(),
                                    [&](const char* api) { return rights.contains(std::string_view(api)); });
    if (grants) return {std::nullopt, std::move(*verdict.claims)};
    verdict.refusal = Refusal::InsufficientScope;
    verdict.detail = "the token grants nothing on a device model (no x-nmos-control claim)";
  }
  return {refuse(verdict, request, client), {}};
}

http::Response HttpGate::refuse(const Verdict& verdict, const http::Request& request, const boost::asio::ip::address& client) {
  const Refusal refusal = *verdict.refusal;
  if (refusal == Refusal::FetchingKeys && askIssuer_) askIssuer_(verdict.askIssuer);
  const std::string_view target = targetOf(request);
  // The path alone: a query may hold the token.
  events_.record(events::Kind::AuthorizationRefused, refusalName(refusal),
                 "refused " + std::string(request.method_string()) + " " + std::string(target.substr(0, target.find('?'))) +
                     " from " + client.to_string() + ": " + refusalName(refusal) + ", " + verdict.detail +
                     whose(verdict));
  const unsigned status = refusalStatus(refusal);
  http::Response response = http::errorResponse(status, verdict.detail, request.version());
  // Written as the simplest clients read it: no quotes, no space after a comma.
  std::string challenge = std::string(kBearerScheme) + "realm=" + check_.hostName();
  if (status == 401 && refusal != Refusal::NoToken) challenge += ",error=invalid_token";
  if (status == 403) challenge += ",error=insufficient_scope";
  response.set(bhttp::field::www_authenticate, challenge);
  if (status == 503) response.set(bhttp::field::retry_after, std::to_string(kRetryAfterSeconds));
  return response;
}

}  // namespace velkor::node::auth
