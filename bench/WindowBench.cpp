// Opening each model's status page on a virtual converter, beside the waits the page
// must make: everything else it does (four exchanges, the page's widgets, the texts)
// is the extra.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QThread>
#include <memory>

#include "CCorvaneDlg.h"
#include "Log.h"
#include "PanelContainer.h"
#include "RatioReporter.h"
#include "UiFont.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

namespace velkor::bench {
namespace {

constexpr int kStatusTab = 1;
constexpr int kFunctionTabA = 5;
constexpr int kFunctionTabB = 4;
constexpr int kWaitsPerOpening = 3;
constexpr unsigned long kWaitMs = 50;

void StatusPageWaits(benchmark::State& state) {
  for (auto _ : state)
    for (int i = 0; i < kWaitsPerOpening; ++i) QThread::msleep(kWaitMs);
}
BENCHMARK(StatusPageWaits)->Unit(benchmark::kMillisecond)->Iterations(10);

// The demo's converters answer at once; device 1 is a TQ4410, device 3 a TQ6630.
void openStatusPage(benchmark::State& state, int device, int otherTab) {
  setLogStream(nullptr);
  SteadyClock clock;
  VirtualTransport transport(clock);
  addDemoConverters(transport);
  CCorvaneDlg window(transport);
  window.onScan();
  window.onDeviceButton(device);
  PanelContainer* panel = window.panel();
  for (auto _ : state) {
    state.PauseTiming();
    panel->SelectTab(otherTab);
    state.ResumeTiming();
    panel->SelectTab(kStatusTab);
  }
}

void StatusPageA(benchmark::State& state) { openStatusPage(state, 1, kFunctionTabA); }
BENCHMARK(StatusPageA)->Unit(benchmark::kMillisecond)->Iterations(10);

void StatusPageB(benchmark::State& state) { openStatusPage(state, 3, kFunctionTabB); }
BENCHMARK(StatusPageB)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace velkor::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  velkor::installApplicationFont();
  return velkor::bench::runWithRatios(argc, argv,
                                      {
                                          {"StatusPageA/iterations:10", "StatusPageWaits/iterations:10", 0, 15e6},
                                          {"StatusPageB/iterations:10", "StatusPageWaits/iterations:10", 0, 15e6},
                                      });
}
