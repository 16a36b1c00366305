#pragma once
// A DNS-SD browse on a thread of its own, its result handed back on the network thread:
// the resolver may take seconds to time out, and the network thread serves on meanwhile.
// One browse at a time; a result that comes back after this is gone is dropped.

#include <boost/asio/io_context.hpp>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "ServiceChoice.h"

namespace velkor::node {

class BackgroundBrowse {
 public:
  using Found = std::function<void(const std::vector<ServiceAdvert>& adverts)>;

  // `found` is told each browse's adverts on the network thread.
  BackgroundBrowse(boost::asio::io_context& network, Browse browse, Found found);
  // Waits for a browse under way; its result is dropped.
  ~BackgroundBrowse();
  BackgroundBrowse(const BackgroundBrowse&) = delete;
  BackgroundBrowse& operator=(const BackgroundBrowse&) = delete;

  // On the network thread: browses, once the last browse has ended.
  void start();
  // Waits for a browse under way to end (its result still comes to the network thread).
  void wait();

 private:
  boost::asio::io_context& network_;
  Browse browse_;
  Found found_;
  std::thread thread_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace velkor::node
