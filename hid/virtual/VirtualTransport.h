#pragma once
// The transport over a set of virtual converters.

#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "../Transport.h"
#include "Clock.h"
#include "VirtualConverter.h"

namespace velkor {

class VirtualTransport final : public Transport {
 public:
  enum class Direction { ToConverter, FromConverter };
  using Trace = std::function<void(const VirtualConverter&, Direction, std::span<const std::uint8_t>)>;

  // The clock must outlive every device this transport opens.
  explicit VirtualTransport(Clock& clock);

  VirtualConverter& addConverter(VirtualConverterSetup setup);
  VirtualConverter* converter(const std::string& path);
  const std::vector<std::shared_ptr<VirtualConverter>>& converters() const { return converters_; }

  // The system cannot list its HID interfaces at all.
  void setListingFails(bool fails) { listingFails_ = fails; }
  // Sees every report that reaches a converter and every reply a handle reads.
  void setTrace(Trace trace) { shared_->trace = std::move(trace); }
  // How a handle opened from now on is named to whoever waits for its turn: stands for
  // the program that holds it ("velkorctl (process 4711)").
  void setHolderName(std::string name) { holderName_ = std::move(name); }

  std::optional<std::vector<ListedInterface>> listInterfaces() override;
  std::unique_ptr<HidDevice> open(const std::string& path) override;

  int openHandles() const { return shared_->openHandles; }

  // What open devices share with the transport; it lives as long as either.
  struct Shared {
    explicit Shared(Clock& c) : clock(c) {}
    Clock& clock;
    Trace trace;
    std::atomic<int> openHandles = 0;
  };

 private:
  std::shared_ptr<Shared> shared_;
  std::vector<std::shared_ptr<VirtualConverter>> converters_;
  bool listingFails_ = false;
  std::string holderName_;
};

}  // namespace velkor
