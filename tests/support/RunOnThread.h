#pragma once
// Runs work on the thread of an io_context that another thread runs, and waits for its
// result: what lives on that thread (a server, an endpoint, their counts) is touched
// only there.

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <future>

namespace velkor::node::testing {

template <typename Work>
auto runOnThreadOf(boost::asio::io_context& io, Work work) {
  std::packaged_task<decltype(work())()> task(std::move(work));
  auto result = task.get_future();
  boost::asio::post(io, [&task] { task(); });
  return result.get();
}

}  // namespace velkor::node::testing
