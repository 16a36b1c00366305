#pragma once
// The resources the Node API serves and the registration registers, kept in step with
// the hub: a Device for each converter plugged in, relabelled (with a new version) when
// what it shows changes.

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ConverterHub.h"
#include "Resources.h"

namespace velkor::node {

class ResourceStore {
 public:
  // A device added or changed (`resource` set) or removed (null).
  using Listener = std::function<void(const std::string& deviceId, const nlohmann::json* resource)>;

  explicit ResourceStore(NodeDescription node);

  // Follows the hub's converters from now on, starting with those it has.
  void follow(ConverterHub& hub);
  void listen(Listener listener) { listeners_.push_back(std::move(listener)); }

  // For the hub's watcher, and for tests without a hub.
  void addDevice(ConverterAccess& converter);
  void removeDevice(const std::string& deviceId);

  const NodeDescription& node() const { return node_; }
  const nlohmann::json& self() const { return self_; }
  // In device-id order.
  nlohmann::json devices() const;
  const nlohmann::json* device(const std::string& deviceId) const;
  std::vector<std::string> deviceIds() const;

 private:
  struct Entry {
    ConverterAccess* converter;
    int listenerId;
    nlohmann::json resource;
  };
  void refresh(const std::string& deviceId);
  void notify(const std::string& deviceId, const nlohmann::json* resource);

  NodeDescription node_;
  nlohmann::json self_;
  std::map<std::string, Entry> devices_;
  std::vector<Listener> listeners_;
};

}  // namespace velkor::node
