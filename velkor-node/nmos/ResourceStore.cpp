#include "ResourceStore.h"

namespace velkor::node {

ResourceStore::ResourceStore(NodeDescription node) : node_(std::move(node)), self_(nodeResource(node_, resourceVersionNow())) {}

void ResourceStore::follow(ConverterHub& hub) {
  hub.watch({[this](ConverterAccess& converter) { addDevice(converter); },
             [this](const ConverterInfo& info) { removeDevice(info.deviceId); }});
  for (ConverterAccess* converter : hub.converters()) addDevice(*converter);
}

void ResourceStore::addDevice(ConverterAccess& converter) {
  const std::string id = converter.info().deviceId;
  if (devices_.contains(id)) return;
  const int listenerId = converter.listen([this, id](const ConverterState&) { refresh(id); });
  auto [entry, added] = devices_.emplace(
      id, Entry{&converter, listenerId, deviceResource(node_, converter.info(), converter.state(), resourceVersionNow())});
  notify(id, &entry->second.resource);
}

void ResourceStore::removeDevice(const std::string& deviceId) {
  auto found = devices_.find(deviceId);
  if (found == devices_.end()) return;
  // The converter is gone by now; its listener goes with it.
  devices_.erase(found);
  notify(deviceId, nullptr);
}

void ResourceStore::refresh(const std::string& deviceId) {
  auto found = devices_.find(deviceId);
  if (found == devices_.end()) return;
  Entry& entry = found->second;
  const ConverterInfo& info = entry.converter->info();
  const ConverterState& state = entry.converter->state();
  const std::string label = deviceLabel(info, state);
  const std::string description = deviceDescription(info, state);
  // Only what the resource shows makes a new version; a poll that read the same or a
  // status byte the resource does not show changes nothing.
  if (entry.resource["label"] == label && entry.resource["description"] == description) return;
  entry.resource["label"] = label;
  entry.resource["description"] = description;
  entry.resource["version"] = resourceVersionNow();
  notify(deviceId, &entry.resource);
}

void ResourceStore::notify(const std::string& deviceId, const nlohmann::json* resource) {
  for (const Listener& listener : listeners_) listener(deviceId, resource);
}

nlohmann::json ResourceStore::devices() const {
  nlohmann::json all = nlohmann::json::array();
  for (const auto& [id, entry] : devices_) all.push_back(entry.resource);
  return all;
}

const nlohmann::json* ResourceStore::device(const std::string& deviceId) const {
  auto found = devices_.find(deviceId);
  return found == devices_.end() ? nullptr : &found->second.resource;
}

std::vector<std::string> ResourceStore::deviceIds() const {
  std::vector<std::string> ids;
  for (const auto& [id, entry] : devices_) ids.push_back(id);
  return ids;
}

}  // namespace velkor::node
