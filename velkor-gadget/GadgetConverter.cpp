#include "GadgetConverter.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "WireFormat.h"
#include "ReportDescriptors.h"

namespace velkor::gadget {
namespace {

// How often the thread looks at what the control side changed when nothing else wakes it.
constexpr auto kIdleTick = std::chrono::milliseconds(20);

}  // namespace

GadgetConverter::GadgetConverter(VirtualConverterSetup model, std::unique_ptr<GadgetFunction> function)
    : model_(std::move(model)), function_(std::move(function)) {
  report_.reserve(wire::kFrameLength);
  report_.push_back(wire::kReportId);
  openDevice();
  thread_ = std::thread([this] { run(); });
}

GadgetConverter::~GadgetConverter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  thread_.join();
  closeDevice();
}

std::string GadgetConverter::plugError() const {
  std::lock_guard lock(mutex_);
  return plugError_;
}

void GadgetConverter::openDevice() {
  fd_ = ::open(function_->devicePath().c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot open " + function_->devicePath());
}

void GadgetConverter::closeDevice() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void GadgetConverter::change(const std::function<void(VirtualConverter&)>& edit) {
  std::lock_guard lock(mutex_);
  edit(model_);
  applyPlug();
}

// With the lock held.
void GadgetConverter::applyPlug() {
  const bool wantPlugged = !model_.hasFault(ConverterFault::Unplugged);
  if (wantPlugged == function_->bound()) return;
  plugError_.clear();
  try {
    if (wantPlugged) {
      function_->bind();
      openDevice();
    } else {
      // Pulling the cable loses what was on the wire.
      closeDevice();
      function_->unbind();
      model_.pendingReplies().clear();
      report_.resize(1);
    }
  } catch (const std::exception& error) {
    plugError_ = error.what();
  }
}

void GadgetConverter::takeBytes(const std::uint8_t* data, std::size_t length) {
  // A 576-byte output report may come in several reads.
  while (length > 0) {
    const std::size_t room = wire::kFrameLength - report_.size();
    const std::size_t now = std::min(room, length);
    report_.insert(report_.end(), data, data + now);
    data += now;
    length -= now;
    if (report_.size() == wire::kFrameLength) {
      model_.receive(report_, std::chrono::steady_clock::now());
      report_.resize(1);
    }
  }
}

void GadgetConverter::run() {
  std::vector<std::uint8_t> buffer(kConverterReportLength);
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (fd_ < 0) {
      lock.unlock();
      std::this_thread::sleep_for(kIdleTick);
      lock.lock();
      continue;
    }
    // A stalled converter stops taking output reports: they pile up in the kernel
    // until the host's writes block.
    const bool reading = !model_.hasFault(ConverterFault::StalledWrite);
    auto& replies = model_.pendingReplies();
    const auto now = std::chrono::steady_clock::now();
    const bool replyDue = !replies.empty() && replies.front().readyAt <= now;
    auto wait = kIdleTick;
    if (!replies.empty() && !replyDue)
      wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(replies.front().readyAt - now));
    pollfd watch{fd_, static_cast<short>((reading ? POLLIN : 0) | (replyDue ? POLLOUT : 0)), 0};
    lock.unlock();
    const int ready = ::poll(&watch, 1, static_cast<int>(wait.count()));
    lock.lock();
    if (ready <= 0 || fd_ != watch.fd) continue;
    if ((watch.revents & POLLIN) != 0 && !model_.hasFault(ConverterFault::StalledWrite)) {
      const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
      if (got > 0) takeBytes(buffer.data(), static_cast<std::size_t>(got));
    }
    if ((watch.revents & POLLOUT) != 0 && !replies.empty()) {
      const std::vector<std::uint8_t>& reply = replies.front().data;
      const ssize_t sent = ::write(fd_, reply.data(), reply.size());
      if (sent >= 0 || errno != EAGAIN) replies.pop_front();
    }
  }
}

}  // namespace velkor::gadget
