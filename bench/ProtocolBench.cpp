// The protocol core's costs: building frames, one exchange, and a scan.

#include <benchmark/benchmark.h>

#include <cstring>
#include <numeric>
#include <string>

#include "CommandSet.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "FrameCodec.h"
#include "Log.h"
#include "RatioReporter.h"
#include "virtual/Clock.h"
#include "virtual/VirtualTransport.h"

namespace velkor::bench {
namespace {

const std::uint8_t kPayload[8] = {1, 2, 3, 4, 5, 6, 7, 8};

// The least any frame builder must do: fill 577 bytes and sum 530 of them.
void FrameFloor(benchmark::State& state) {
  Frame frame;
  for (auto _ : state) {
    std::memset(frame.data(), 0x5A, frame.size());
    benchmark::DoNotOptimize(frame.data());
    const std::uint32_t sum = std::accumulate(frame.begin(), frame.begin() + wire::kChecksummedLength, 0u);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(FrameFloor);

void ShortFrameA(benchmark::State& state) {
  Frame frame;
  for (auto _ : state) {
    buildShortFrameA(frame, wire::kCmdOutputFormatA, 3);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(ShortFrameA);

void ShortFrameB(benchmark::State& state) {
  Frame frame;
  for (auto _ : state) {
    buildShortFrameB(frame, wire::kCmdOutputFormatB, 3);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(ShortFrameB);

void DataFrameA(benchmark::State& state) {
  Frame frame;
  for (auto _ : state) {
    buildDataFrameA(frame, wire::kCmdApplySettingsA, kPayload);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(DataFrameA);

void ExtendedFrameB(benchmark::State& state) {
  Frame frame;
  for (auto _ : state) {
    buildExtendedFrameB(frame, wire::kSubCmdApplySettingsB, kPayload);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(ExtendedFrameB);

// One converter in use on a manual clock, so no exchange ever sleeps.
struct OneConverter {
  OneConverter() {
    setLogStream(nullptr);
    VirtualConverterSetup setup;
    setup.path = "/dev/hidraw0";
    setup.name = "Bench";
    converter = &transport.addConverter(setup);
    enumerateDevices(transport, record.deviceTable);
    openDevice(transport, *record.deviceTable.entry(1));
    record.selectedDevice = 1;
  }
  ManualClock clock;
  VirtualTransport transport{clock};
  DeviceRecord record;
  VirtualConverter* converter;
};

// A whole exchange: build, write, the converter's work, read, record update.
void Exchange(benchmark::State& state) {
  OneConverter fixture;
  for (auto _ : state) {
    sendCommandA(fixture.record, wire::kCmdOutputFormatA, 3);
    fixture.converter->forgetReceived();
  }
}
BENCHMARK(Exchange);

// The converter's own part of that exchange: taking the frame and making its reply.
void ConverterWork(benchmark::State& state) {
  // No handle is open on it, so its replies wait in its own queue.
  VirtualConverter converter({});
  Frame frame;
  buildShortFrameA(frame, wire::kCmdOutputFormatA, 3);
  for (auto _ : state) {
    converter.receive(frame, {});
    auto& replies = converter.pendingReplies();
    benchmark::DoNotOptimize(replies.front().data.data());
    replies.pop_front();
    converter.forgetReceived();
  }
}
BENCHMARK(ConverterWork);

void Scan(benchmark::State& state) {
  setLogStream(nullptr);
  ManualClock clock;
  VirtualTransport transport{clock};
  for (int i = 0; i < state.range(0); ++i) {
    VirtualConverterSetup setup;
    setup.path = "/dev/hidraw" + std::to_string(i);
    transport.addConverter(setup);
  }
  auto record = std::make_unique<DeviceRecord>();
  for (auto _ : state) {
    record->deviceTable.clear();
    benchmark::DoNotOptimize(enumerateDevices(transport, record->deviceTable));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Scan)->Arg(1)->Arg(10)->Arg(128)->Arg(1000)->Complexity(benchmark::oN);

}  // namespace
}  // namespace velkor::bench

int main(int argc, char** argv) {
  using velkor::bench::Comparison;
  return velkor::bench::runWithRatios(argc, argv,
                                      {
                                          {"ShortFrameA", "FrameFloor", 1.5, 0},
                                          {"ShortFrameB", "FrameFloor", 1.5, 0},
                                          {"DataFrameA", "FrameFloor", 1.5, 0},
                                          {"ExtendedFrameB", "FrameFloor", 1.5, 0},
                                          {"Exchange", "ConverterWork", 0, 10000},
                                      });
}
