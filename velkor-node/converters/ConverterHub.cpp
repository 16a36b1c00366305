#include "ConverterHub.h"

#include <cstring>
#include <set>

#include "DeviceId.h"
#include "Discovery.h"
#include "Text.h"

namespace velkor::node {
namespace {

// The identity as velkorctl shows it: the entry holds its 8-bit form.
std::string shownIdentity(const DeviceEntry& entry) {
  const auto* tail = reinterpret_cast<const std::uint8_t*>(entry.pathTail.data());
  return toUtf8(widenLatin1({tail, std::strlen(entry.pathTail.data())}));
}

}  // namespace

ConverterHub::ConverterHub(boost::asio::io_context& network, Transport& transport, HubOptions options)
    : network_(network), transport_(transport), options_(options), timer_(network) {}

ConverterHub::~ConverterHub() { stop(); }

void ConverterHub::start() {
  running_ = true;
  scan();
  scheduleScan();
}

void ConverterHub::stop() {
  running_ = false;
  timer_.cancel();
  for (auto& [id, worker] : workers_) worker->join();
  for (auto& [raw, worker] : retiring_) worker->join();
}

void ConverterHub::scheduleScan() {
  if (!running_) return;
  timer_.expires_after(options_.scanInterval);
  timer_.async_wait([this](const boost::system::error_code& error) {
    if (error || !running_) return;
    scan();
    scheduleScan();
  });
}

void ConverterHub::scan() {
  DeviceTable table;
  int listed = 0;
  {
    std::lock_guard guard(transportLock_);
    listed = enumerateDevices(transport_, table);
  }
  // A listing that failed says nothing of what is plugged in: keep every converter.
  if (listed < 0) return;

  std::set<std::string> present;
  for (int number = 1; number <= listed; ++number) {
    DeviceEntry& entry = *table.entry(number);
    const NodeModel* model = nodeModelOf(entry.versionNumber);
    if (model == nullptr) continue;
    WorkerSetup setup;
    setup.info.identity = shownIdentity(entry);
    setup.info.deviceId = deviceIdOf(model->word, setup.info.identity);
    // Two interfaces that the system cannot tell apart are one converter to the node.
    if (!present.insert(setup.info.deviceId).second || workers_.contains(setup.info.deviceId)) continue;
    setup.info.serialNumber = entry.serialNumber;
    setup.info.versionNumber = entry.versionNumber;
    setup.info.modelWord = model->word;
    setup.model = model;
    setup.entry = std::move(entry);
    setup.pollInterval = options_.pollInterval;
    setup.readOnly = options_.readOnly;
    auto worker = std::make_shared<ConverterWorker>(network_, transport_, transportLock_, std::move(setup));
    worker->start();
    ConverterWorker& added = *worker;
    workers_.emplace(added.info().deviceId, std::move(worker));
    for (const Watcher& watcher : watchers_)
      if (watcher.added) watcher.added(added);
  }

  std::vector<std::string> gone;
  for (const auto& [id, worker] : workers_)
    if (!present.contains(id)) gone.push_back(id);
  for (const std::string& id : gone) retire(id);
}

void ConverterHub::retire(const std::string& deviceId) {
  auto found = workers_.find(deviceId);
  std::shared_ptr<ConverterWorker> worker = std::move(found->second);
  workers_.erase(found);
  const ConverterInfo info = worker->info();
  ConverterWorker* raw = worker.get();
  // The thread may be inside an exchange: it ends on its own and says so on this thread.
  worker->retire([this, raw] {
    auto entry = retiring_.find(raw);
    if (entry == retiring_.end()) return;
    entry->second->join();
    retiring_.erase(entry);
  });
  retiring_.emplace(raw, std::move(worker));
  for (const Watcher& watcher : watchers_)
    if (watcher.removed) watcher.removed(info);
}

std::vector<ConverterAccess*> ConverterHub::converters() const {
  std::vector<ConverterAccess*> all;
  all.reserve(workers_.size());
  for (const auto& [id, worker] : workers_) all.push_back(worker.get());
  return all;
}

ConverterAccess* ConverterHub::find(const std::string& deviceId) const {
  auto found = workers_.find(deviceId);
  return found == workers_.end() ? nullptr : found->second.get();
}

const NodeModel* ConverterHub::modelOf(const ConverterAccess& converter) const {
  return nodeModelOf(converter.info().versionNumber);
}

}  // namespace velkor::node
