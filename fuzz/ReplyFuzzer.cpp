// Any input report, of any length and content, through the reply reader into the record.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "DeviceRecord.h"
#include "Exchange.h"
#include "Log.h"

namespace {

// A device whose every read delivers the fuzzer's bytes as one report.
class ScriptedDevice final : public velkor::HidDevice {
 public:
  explicit ScriptedDevice(std::span<const std::uint8_t> report) : report_(report) {}
  std::optional<velkor::HidAttributes> attributes() override { return std::nullopt; }
  velkor::WriteOutcome write(std::span<const std::uint8_t>, std::chrono::milliseconds) override {
    return velkor::WriteOutcome::Written;
  }
  velkor::ReadOutcome read(std::span<std::uint8_t> into, std::chrono::milliseconds) override {
    const std::size_t kept = std::min(into.size(), report_.size());
    std::copy_n(report_.begin(), kept, into.begin());
    return {velkor::ReadOutcome::Kind::Received, kept};
  }
  std::size_t discardQueued() override { return 0; }

 private:
  velkor::TurnOutcome lockTurn(std::chrono::milliseconds) override { return {true, {}}; }
  void unlockTurn() override {}

  std::span<const std::uint8_t> report_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velkor::setLogStream(nullptr);
  static velkor::DeviceRecord record;
  ScriptedDevice device({data, size});
  velkor::readReply(record, &device);
  // The names stay within their bounds whatever the reply held.
  if (record.customNameA.size() > velkor::wire::kNameLimitA) __builtin_trap();
  if (record.customNameB.size() > velkor::wire::kReplyAreaLength) __builtin_trap();
  return 0;
}
