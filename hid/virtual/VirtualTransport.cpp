#include "VirtualTransport.h"

#include <algorithm>

namespace velkor {
namespace {

class VirtualDevice final : public HidDevice {
 public:
  VirtualDevice(std::shared_ptr<VirtualConverter> converter, std::shared_ptr<VirtualTransport::Shared> shared)
      : converter_(std::move(converter)), shared_(std::move(shared)), clock_(shared_->clock) {
    ++shared_->openHandles;
  }
  ~VirtualDevice() override { --shared_->openHandles; }

  std::optional<HidAttributes> attributes() override {
    if (!converter_->setup().attributesReadable || unplugged()) return std::nullopt;
    return converter_->attributes();
  }

  WriteOutcome write(std::span<const std::uint8_t> report, std::chrono::milliseconds limit) override {
    if (unplugged()) return WriteOutcome::Unavailable;
    if (converter_->hasFault(ConverterFault::StalledWrite)) {
      clock_.sleepUntil(clock_.now() + limit);
      return WriteOutcome::TimedOut;
    }
    if (shared_->trace) shared_->trace(*converter_, VirtualTransport::Direction::ToConverter, report);
    converter_->receive(report, clock_.now());
    return WriteOutcome::Written;
  }

  ReadOutcome read(std::span<std::uint8_t> into, std::chrono::milliseconds limit) override {
    if (unplugged()) return {ReadOutcome::Kind::Gone, 0};
    const Clock::TimePoint deadline = clock_.now() + limit;
    auto& replies = converter_->pendingReplies();
    if (replies.empty() || replies.front().readyAt > deadline) {
      clock_.sleepUntil(deadline);
      return {ReadOutcome::Kind::TimedOut, 0};
    }
    clock_.sleepUntil(replies.front().readyAt);
    const std::vector<std::uint8_t> data = std::move(replies.front().data);
    replies.pop_front();
    if (shared_->trace) shared_->trace(*converter_, VirtualTransport::Direction::FromConverter, data);
    const std::size_t kept = std::min(data.size(), into.size());
    std::copy_n(data.begin(), kept, into.begin());
    return {ReadOutcome::Kind::Received, kept};
  }

 private:
  bool unplugged() const { return converter_->hasFault(ConverterFault::Unplugged); }

  std::shared_ptr<VirtualConverter> converter_;
  std::shared_ptr<VirtualTransport::Shared> shared_;
  Clock& clock_;
};

}  // namespace

VirtualTransport::VirtualTransport(Clock& clock) : shared_(std::make_shared<Shared>(Shared{clock, {}, 0})) {}

VirtualConverter& VirtualTransport::addConverter(VirtualConverterSetup setup) {
  converters_.push_back(std::make_shared<VirtualConverter>(std::move(setup)));
  return *converters_.back();
}

// The first present converter of a path, as a system that lists one device per node.
VirtualConverter* VirtualTransport::converter(const std::string& path) {
  for (const auto& c : converters_)
    if (c->setup().path == path && !c->hasFault(ConverterFault::Unplugged)) return c.get();
  return nullptr;
}

std::optional<std::vector<ListedInterface>> VirtualTransport::listInterfaces() {
  if (listingFails_) return std::nullopt;
  std::vector<ListedInterface> listing;
  listing.reserve(converters_.size());
  for (const auto& c : converters_) {
    if (c->hasFault(ConverterFault::Unplugged)) continue;
    const VirtualConverterSetup& setup = c->setup();
    listing.push_back({setup.pathReadable ? std::optional(setup.path) : std::nullopt, c->attributes(), setup.usbPort,
                       setup.serialNumber, setup.permissionDenied});
  }
  return listing;
}

std::unique_ptr<HidDevice> VirtualTransport::open(const std::string& path) {
  for (const auto& c : converters_) {
    if (c->setup().path != path || c->hasFault(ConverterFault::Unplugged)) continue;
    if (!c->setup().openable || c->setup().permissionDenied) return nullptr;
    return std::make_unique<VirtualDevice>(c, shared_);
  }
  return nullptr;
}

}  // namespace velkor
