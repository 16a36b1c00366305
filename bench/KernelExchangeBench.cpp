// One exchange over the real kernel path (hidapi, hidraw, usbhid, USB, a gadget
// converter) beside one over the virtual converter, both on the wall clock. The
// kernel figure needs a TQ4410 attached: scripts/test-usb.sh runs this in its test
// machine against the gadget converters.

#include <benchmark/benchmark.h>

#include "CommandSet.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "HidapiTransport.h"
#include "Log.h"
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

void exchanges(benchmark::State& state, Transport& transport) {
  setLogStream(nullptr);
  DeviceRecord record;
  if (!selectFirstModelA(transport, record)) {
    state.SkipWithError("no TQ4410 attached");
    return;
  }
  for (auto _ : state) {
    record.customNameA.clear();
    queryStatusA(record);
    if (record.customNameA.empty()) {
      state.SkipWithError("the converter did not answer");
      break;
    }
  }
  record.deviceTable.closeAll();
}

void VirtualExchange(benchmark::State& state) {
  SteadyClock clock;
  VirtualTransport transport{clock};
  VirtualConverterSetup setup;
  setup.path = "/dev/hidraw0";
  setup.name = "Bench";
  transport.addConverter(setup);
  exchanges(state, transport);
}
BENCHMARK(VirtualExchange)->UseRealTime();

void KernelExchange(benchmark::State& state) {
  HidapiTransport transport;
  exchanges(state, transport);
}
BENCHMARK(KernelExchange)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velkor::bench

BENCHMARK_MAIN();
