#pragma once
// Virtual converters on a manual clock, a record, and the steps that pick one of them
// as the device in use. Every test that talks to a converter starts here.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandSet.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "FrameCodec.h"
#include "LogCapture.h"
#include "virtual/Clock.h"
#include "virtual/VirtualTransport.h"

namespace velkor::test {

class ConverterFixture : public ::testing::Test {
 protected:
  VirtualConverter& addConverter(ConverterModel model, const std::string& path, std::string name = "cam") {
    VirtualConverterSetup setup;
    setup.model = model;
    setup.path = path;
    setup.name = std::move(name);
    return transport.addConverter(setup);
  }

  // Scans and opens entry `number` as the device in use.
  void scanAndSelect(int number = 1) {
    record.deviceTable.clear();
    ASSERT_GT(enumerateDevices(transport, record.deviceTable), 0);
    ASSERT_EQ(openDevice(transport, *record.deviceTable.entry(number)), 0);
    ASSERT_NE(record.deviceTable.entry(number)->handle, nullptr);
    record.selectedDevice = number;
  }

  // The frames converter `c` took since the last call, and forget them.
  std::vector<std::vector<std::uint8_t>> takeFrames(VirtualConverter& c) {
    auto frames = c.receivedFrames();
    c.forgetReceived();
    return frames;
  }

  Clock::Duration elapsedSince(Clock::TimePoint start) { return clock.now() - start; }

  ManualClock clock;
  VirtualTransport transport{clock};
  DeviceRecord record;
  LogCapture log;
};

// Bytes 17.. up to `count` of a frame, for comparing against a worked example.
inline std::vector<std::uint8_t> frameBytes(const std::vector<std::uint8_t>& frame, std::size_t from,
                                            std::size_t count) {
  return std::vector<std::uint8_t>(frame.begin() + static_cast<std::ptrdiff_t>(from),
                                   frame.begin() + static_cast<std::ptrdiff_t>(from + count));
}

}  // namespace velkor::test
