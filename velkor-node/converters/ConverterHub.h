#pragma once
// The host's converters as they come and go: the transport's listing, re-read every
// scan interval (a listing opens no device), one worker per converter listed.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ConverterAccess.h"
#include "ConverterWorker.h"
#include "Transport.h"

namespace velkor::node {

struct HubOptions {
  std::chrono::milliseconds scanInterval{1000};
  std::chrono::milliseconds pollInterval{1000};
  bool readOnly = false;
};

class ConverterHub {
 public:
  struct Watcher {
    std::function<void(ConverterAccess&)> added;
    std::function<void(const ConverterInfo&)> removed;  // the converter is gone by then
  };

  ConverterHub(boost::asio::io_context& network, Transport& transport, HubOptions options);
  ~ConverterHub();
  ConverterHub(const ConverterHub&) = delete;
  ConverterHub& operator=(const ConverterHub&) = delete;

  // Scans now and then every scan interval.
  void start();
  // Stops scanning and waits for every worker; for the node's shutdown.
  void stop();
  // Reads the listing once, now; the network thread's own scans call it too.
  void scan();

  void watch(Watcher watcher) { watchers_.push_back(std::move(watcher)); }
  // In device-id order.
  std::vector<ConverterAccess*> converters() const;
  ConverterAccess* find(const std::string& deviceId) const;
  const NodeModel* modelOf(const ConverterAccess& converter) const;
  // Workers of unplugged converters whose thread has not ended yet.
  std::size_t retiringCount() const { return retiring_.size(); }

 private:
  void scheduleScan();
  void retire(const std::string& deviceId);

  boost::asio::io_context& network_;
  Transport& transport_;
  HubOptions options_;
  std::mutex transportLock_;
  boost::asio::steady_timer timer_;
  bool running_ = false;
  std::map<std::string, std::shared_ptr<ConverterWorker>> workers_;
  std::map<ConverterWorker*, std::shared_ptr<ConverterWorker>> retiring_;
  std::vector<Watcher> watchers_;
};

}  // namespace velkor::node
