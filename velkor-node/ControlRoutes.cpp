#include "ControlRoutes.h"

#include <string_view>

#include "Resources.h"

namespace velkor::node {

ControlRoutes::ControlRoutes(ConverterHub& hub, control::ControlEndpoint::Options options,
                             control::KeptValueStore& kept)
    : options_(options), kept_(kept) {
  for (ConverterAccess* converter : hub.converters()) add(*converter);
  hub.watch({[this](ConverterAccess& converter) { add(converter); },
             [this](const ConverterInfo& info) { endpoints_.erase(info.deviceId); }});
}

void ControlRoutes::add(ConverterAccess& converter) {
  endpoints_.insert_or_assign(converter.info().deviceId,
                              std::make_unique<control::ControlEndpoint>(converter, options_, kept_.converter(converter.info())));
}

http::UpgradeTaker ControlRoutes::route(const http::Request& request) {
  std::string_view path(request.target().data(), request.target().size());
  path = path.substr(0, path.find('?'));
  if (!path.starts_with(kControlPathPrefix)) return {};
  path.remove_prefix(std::string_view(kControlPathPrefix).size());
  const auto found = endpoints_.find(path);
  if (found == endpoints_.end()) return {};
  control::ControlEndpoint* endpoint = found->second.get();
  return [endpoint](http::UpgradedStream stream, http::Request upgrade) {
    endpoint->accept(std::move(stream), std::move(upgrade));
  };
}

}  // namespace velkor::node
