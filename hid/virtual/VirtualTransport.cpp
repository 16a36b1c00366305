#include "VirtualTransport.h"

#include <algorithm>

namespace velkor {
namespace {

// How often a handle waiting for the converter's turn looks again.
constexpr std::chrono::milliseconds kTurnPoll{1};

class VirtualDevice final : public HidDevice {
 public:
  VirtualDevice(std::shared_ptr<VirtualConverter> converter, std::shared_ptr<VirtualTransport::Shared> shared,
                std::string holderName)
      : converter_(std::move(converter)),
        shared_(std::move(shared)),
        clock_(shared_->clock),
        reader_(converter_->attachReader()),
        holderName_(std::move(holderName)) {
    ++shared_->openHandles;
  }
  ~VirtualDevice() override {
    converter_->detachReader(reader_);
    --shared_->openHandles;
  }

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
    std::optional<VirtualConverter::Reply> reply = converter_->nextReply(reader_, deadline);
    if (!reply) {
      clock_.sleepUntil(deadline);
      return {ReadOutcome::Kind::TimedOut, 0};
    }
    clock_.sleepUntil(reply->readyAt);
    if (shared_->trace) shared_->trace(*converter_, VirtualTransport::Direction::FromConverter, reply->data);
    const std::size_t kept = std::min(reply->data.size(), into.size());
    std::copy_n(reply->data.begin(), kept, into.begin());
    return {ReadOutcome::Kind::Received, kept};
  }

  std::size_t discardQueued() override { return converter_->dropArrived(reader_, clock_.now()); }

 private:
  TurnOutcome lockTurn(std::chrono::milliseconds limit) override {
    // A free converter, the usual case, costs no look at the clock.
    if (converter_->tryTakeTurn(reader_, holderName_)) return {true, {}};
    const Clock::TimePoint deadline = clock_.now() + limit;
    for (;;) {
      const Clock::TimePoint now = clock_.now();
      if (now >= deadline) return {false, converter_->turnHolder()};
      clock_.sleepUntil(std::min(deadline, now + kTurnPoll));
      if (converter_->tryTakeTurn(reader_, holderName_)) return {true, {}};
    }
  }
  void unlockTurn() override { converter_->endTurn(reader_); }

  bool unplugged() const { return converter_->hasFault(ConverterFault::Unplugged); }

  std::shared_ptr<VirtualConverter> converter_;
  std::shared_ptr<VirtualTransport::Shared> shared_;
  Clock& clock_;
  const VirtualConverter::ReaderId reader_;
  const std::string holderName_;
};

}  // namespace

VirtualTransport::VirtualTransport(Clock& clock) : shared_(std::make_shared<Shared>(clock)) {}

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
    return std::make_unique<VirtualDevice>(c, shared_, holderName_);
  }
  return nullptr;
}

}  // namespace velkor
