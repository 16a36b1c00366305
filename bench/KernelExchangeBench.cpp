// One exchange over the real kernel path (hidapi, hidraw, usbhid, USB, a gadget
// converter) beside one over the virtual converter, both on the wall clock, each beside
// the same write and read without taking the converter's turn and dropping what was
// queued: the difference is what taking turns with other programs costs. The kernel
// figures need a TQ4410 attached: scripts/test-usb.sh runs this in its test machine
// against the gadget converters.

#include <benchmark/benchmark.h>

#include "CommandSet.h"
#include "Exchange.h"
#include "FrameCodec.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "HidapiTransport.h"
#include "Log.h"
#include "RatioReporter.h"
#include "virtual/Clock.h"
#include "virtual/VirtualTransport.h"

namespace velkor::bench {
namespace {

// Opens the first TQ4410 the transport lists as the device in use.
bool selectFirstModelA(Transport& transport, DeviceRecord& record) {
  const int found = enumerateDevices(transport, record.deviceTable);
  for (int k = 1; k <= found; ++k) {
    DeviceEntry& entry = *record.deviceTable.entry(k);
    if (entry.versionNumber != kVersionModelA) continue;
    if (openDevice(transport, entry) != 0 || entry.handle == nullptr) return false;
    record.selectedDevice = k;
    return true;
  }
  return false;
}

// A status query as the program sends it: in the converter's turn, after dropping what
// was queued.
void query(DeviceRecord& record) {
  record.customNameA.clear();
  queryStatusA(record);
}

// The same frame written and its reply read, and nothing else.
void bareQuery(DeviceRecord& record) {
  record.customNameA.clear();
  Frame frame;
  buildShortFrameA(frame, wire::kCmdQueryStatusA, 0);
  HidDevice* handle = record.deviceTable.entry(record.selectedDevice)->handle.get();
  if (writeReport(handle, frame, frame.size()) == kExchangeOk) readReply(record, handle);
}

void exchanges(benchmark::State& state, Transport& transport, void (*exchange)(DeviceRecord&)) {
  setLogStream(nullptr);
  DeviceRecord record;
  if (!selectFirstModelA(transport, record)) {
    state.SkipWithError("no TQ4410 attached");
    return;
  }
  for (auto _ : state) {
    exchange(record);
    if (record.customNameA.empty()) {
      state.SkipWithError("the converter did not answer");
      break;
    }
  }
  record.deviceTable.closeAll();
}

void onVirtual(benchmark::State& state, void (*exchange)(DeviceRecord&)) {
  SteadyClock clock;
  VirtualTransport transport{clock};
  VirtualConverterSetup setup;
  setup.path = "/dev/hidraw0";
  setup.name = "Bench";
  transport.addConverter(setup);
  exchanges(state, transport, exchange);
}

void onKernel(benchmark::State& state, void (*exchange)(DeviceRecord&)) {
  HidapiTransport transport;
  exchanges(state, transport, exchange);
}

void VirtualExchange(benchmark::State& state) { onVirtual(state, query); }
void VirtualBareExchange(benchmark::State& state) { onVirtual(state, bareQuery); }
void KernelExchange(benchmark::State& state) { onKernel(state, query); }
void KernelBareExchange(benchmark::State& state) { onKernel(state, bareQuery); }
BENCHMARK(VirtualExchange)->UseRealTime();
BENCHMARK(VirtualBareExchange)->UseRealTime();
BENCHMARK(KernelExchange)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(KernelBareExchange)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velkor::bench

int main(int argc, char** argv) {
  // Taking turns adds a lock, a look at the queue and an unlock: system calls, never a
  // wait, while no other program has the converter. Through the emulated machine every
  // system call costs tens of microseconds, so the kernel's target is a ratio.
  return velkor::bench::runWithRatios(argc, argv,
                                      {
                                          {"VirtualExchange/real_time", "VirtualBareExchange/real_time", 0, 5'000},
                                          {"KernelExchange/real_time", "KernelBareExchange/real_time", 1.25, 0},
                                      });
}
