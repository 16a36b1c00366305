#include "ControlRoutes.h"

#include <string_view>

#include "AccessRules.h"
#include "HttpGate.h"
#include "Resources.h"
#include "TokenCheck.h"

namespace velkor::node {
namespace {

// Whether one of a claim's patterns takes in the object at `rolePath`: a pattern names
// it, or a block above it, or everything below it ("root.*" takes in the root block too).
bool anyIncludes(const std::vector<std::string>& patterns, const std::string& rolePath) {
  const std::string below = rolePath + ".";
  for (const std::string& pattern : patterns) {
    if (auth::patternMatches(pattern, rolePath) || auth::patternMatches(pattern, below)) return true;
    const std::string_view path(rolePath);
    for (std::size_t dot = path.rfind('.'); dot != std::string_view::npos && dot > 0; dot = path.rfind('.', dot - 1))
      if (auth::patternMatches(pattern, path.substr(0, dot))) return true;
  }
  return false;
}

std::function<bool(const std::string&)> ruleOf(std::vector<std::string> patterns) {
  return [patterns = std::move(patterns)](const std::string& rolePath) { return anyIncludes(patterns, rolePath); };
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

ControlRoutes::ControlRoutes(ConverterHub& hub, control::ControlEndpoint::Options options,
                             control::KeptValueStore& kept, control::QueueBudget& budget, events::NodeEvents& events)
    : options_(options), kept_(kept), budget_(budget), events_(events) {
  for (ConverterAccess* converter : hub.converters()) add(*converter);
  hub.watch({[this](ConverterAccess& converter) { add(converter); },
             [this](const ConverterInfo& info) { endpoints_.erase(info.deviceId); }});
}

void ControlRoutes::add(ConverterAccess& converter) {
  endpoints_.insert_or_assign(converter.info().deviceId,
                              std::make_unique<control::ControlEndpoint>(converter, options_, kept_.converter(converter.info()),
                                                                         budget_, events_));
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
