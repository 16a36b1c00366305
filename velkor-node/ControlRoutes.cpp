#include "ControlRoutes.h"

#include <string_view>

#include "AccessRules.h"
#include "HttpGate.h"
#include "Resources.h"
#include "TokenCheck.h"

namespace velkor::node {
namespace {

// Whether a claim's pattern takes in the object at `rolePath`: the pattern names it, or
// a block above it, or everything below it ("root.*" takes in the root block too).
bool includes(const std::string& pattern, const std::string& rolePath) {
  if (auth::patternMatches(pattern, rolePath) || auth::patternMatches(pattern, rolePath + ".")) return true;
  for (std::size_t dot = rolePath.rfind('.'); dot != std::string::npos && dot > 0; dot = rolePath.rfind('.', dot - 1))
    if (auth::patternMatches(pattern, rolePath.substr(0, dot))) return true;
  return false;
}

std::function<bool(const std::string&)> ruleOf(std::vector<std::string> patterns) {
  return [patterns = std::move(patterns)](const std::string& rolePath) {
    return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) { return includes(p, rolePath); });
  };
}

}  // namespace

control::Grant grantOf(const auth::TokenClaims& claims) {
  std::vector<std::string> read, write;
  for (const char* api : auth::kControlRightsClaims) {
    const auto found = claims.rights.find(std::string_view(api));
    if (found == claims.rights.end()) continue;
    read.insert(read.end(), found->second.read.begin(), found->second.read.end());
    write.insert(write.end(), found->second.write.begin(), found->second.write.end());
  }
  const auto until = std::chrono::system_clock::time_point(std::chrono::seconds(claims.expires + auth::TokenCheck::kClockSkewSeconds));
  return {{ruleOf(std::move(read)), ruleOf(std::move(write))}, until};
}

ControlRoutes::ControlRoutes(ConverterHub& hub, control::ControlEndpoint::Options options) : options_(options) {
  for (ConverterAccess* converter : hub.converters()) add(*converter);
  hub.watch({[this](ConverterAccess& converter) { add(converter); },
             [this](const ConverterInfo& info) { endpoints_.erase(info.deviceId); }});
}

void ControlRoutes::add(ConverterAccess& converter) {
  endpoints_.insert_or_assign(converter.info().deviceId,
                              std::make_unique<control::ControlEndpoint>(converter, options_));
}

http::UpgradeTaker ControlRoutes::route(const http::Request& request, control::Grant grant) {
  std::string_view path(request.target().data(), request.target().size());
  path = path.substr(0, path.find('?'));
  if (!path.starts_with(kControlPathPrefix)) return {};
  path.remove_prefix(std::string_view(kControlPathPrefix).size());
  const auto found = endpoints_.find(path);
  if (found == endpoints_.end()) return {};
  control::ControlEndpoint* endpoint = found->second.get();
  return [endpoint, grant = std::move(grant)](http::UpgradedStream stream, http::Request upgrade) mutable {
    endpoint->accept(std::move(stream), std::move(upgrade), std::move(grant));
  };
}

}  // namespace velkor::node
