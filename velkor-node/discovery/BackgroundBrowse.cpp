#include "BackgroundBrowse.h"

#include <boost/asio/post.hpp>

namespace velkor::node {

BackgroundBrowse::BackgroundBrowse(boost::asio::io_context& network, Browse browse, Found found)
    : network_(network), browse_(std::move(browse)), found_(std::move(found)) {}

BackgroundBrowse::~BackgroundBrowse() {
  alive_.reset();
  wait();
}

void BackgroundBrowse::start() {
  wait();
  thread_ = std::thread([this] {
    std::vector<ServiceAdvert> adverts = browse_();
    boost::asio::post(network_, [this, alive = std::weak_ptr(alive_), adverts = std::move(adverts)] {
      if (alive.expired()) return;
      wait();
      found_(adverts);
    });
  });
}

void BackgroundBrowse::wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace velkor::node
