// Opening each model's status page on a virtual converter, beside the waits the page
// must make: everything else it does (four exchanges, the page's widgets, the texts)
// is the extra.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <QThread>
#include <memory>

#include "CCorvaneDlg.h"
#include "Log.h"
#include "PanelContainer.h"
#include "PingProbe.h"
#include "RatioReporter.h"
#include "ApplicationLook.h"
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

// The longest the window's event loop stays away (no painting, no answer to the
// desktop's ping) while `act` runs, as a 1 ms timer sees it.
double longestStall(const std::function<void()>& act) {
  QElapsedTimer clock;
  qint64 last = 0;
  qint64 longest = 0;
  QTimer ticker;
  ticker.setInterval(1);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  ticker.start();
  clock.start();
  act();
  QCoreApplication::processEvents();
  longest = std::max(longest, clock.nsecsElapsed() - last);
  return static_cast<double>(longest) / 1e9;
}

// The longest the window leaves the window manager's ping unanswered while `act` runs,
// on a real display (X11); a window manager pings the same way.
double longestPingWait(QWidget& window, const std::function<void()>& act) {
  PingProbe probe(static_cast<std::uint32_t>(window.winId()));
  if (!probe.connected()) return 0;
  probe.start();
  act();
  QCoreApplication::processEvents();
  return probe.stop();
}

using StallMeasure = double (*)(QWidget& window, const std::function<void()>& act);
double byTimer(QWidget&, const std::function<void()>& act) { return longestStall(act); }
double byPing(QWidget& window, const std::function<void()>& act) { return longestPingWait(window, act); }

void idleForAnOpening() {
  QElapsedTimer idle;
  idle.start();
  while (idle.elapsed() < static_cast<qint64>(kWaitsPerOpening * kWaitMs)) QCoreApplication::processEvents();
}

// The event loop left alone for as long as a status page takes to open: the floor.
void stallIdle(benchmark::State& state, StallMeasure measure) {
  QWidget window;
  window.show();
  for (auto _ : state) state.SetIterationTime(measure(window, idleForAnOpening));
}

// Opening a status page, on a converter that answers and on one that does not (each
// exchange then waits out its 500 ms read).
void stallWhileOpening(benchmark::State& state, bool answers, StallMeasure measure) {
  setLogStream(nullptr);
  SteadyClock clock;
  VirtualTransport transport(clock);
  addDemoConverters(transport);
  CCorvaneDlg window(transport);
  window.show();
  window.onScan();
  window.onDeviceButton(1);
  transport.converters()[0]->setFault(ConverterFault::NoReply, !answers);
  PanelContainer* panel = window.panel();
  // A silent converter fails the name test: its message box is closed as it shows.
  QTimer closer;
  closer.setInterval(20);
  QObject::connect(&closer, &QTimer::timeout, [] {
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  closer.start();
  for (auto _ : state) {
    panel->SelectTab(kFunctionTabA);
    state.SetIterationTime(measure(window, [&] { panel->SelectTab(kStatusTab); }));
  }
}

void StallIdle(benchmark::State& state) { stallIdle(state, byTimer); }
BENCHMARK(StallIdle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
void StallStatusPage(benchmark::State& state) { stallWhileOpening(state, true, byTimer); }
BENCHMARK(StallStatusPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
void StallSilentConverter(benchmark::State& state) { stallWhileOpening(state, false, byTimer); }
BENCHMARK(StallSilentConverter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

// The same through the window manager's ping, where there is a display to ping on.
void PingIdle(benchmark::State& state) { stallIdle(state, byPing); }
void PingStatusPage(benchmark::State& state) { stallWhileOpening(state, true, byPing); }
void PingSilentConverter(benchmark::State& state) { stallWhileOpening(state, false, byPing); }

void registerPingBenchmarks() {
  benchmark::RegisterBenchmark("PingIdle", PingIdle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
  benchmark::RegisterBenchmark("PingStatusPage", PingStatusPage)
      ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
  benchmark::RegisterBenchmark("PingSilentConverter", PingSilentConverter)
      ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
}

}  // namespace
}  // namespace velkor::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  velkor::installApplicationLook();
  const bool onX11 = QGuiApplication::platformName() == QLatin1String("xcb");
  if (onX11) velkor::bench::registerPingBenchmarks();
  return velkor::bench::runWithRatios(argc, argv,
                                      {
                                          {"StatusPageA/iterations:10", "StatusPageWaits/iterations:10", 0, 15e6},
                                          {"StatusPageB/iterations:10", "StatusPageWaits/iterations:10", 0, 15e6},
                                          // A desktop calls a window not responding after
                                          // missing its ping for seconds; 50 ms is unseen.
                                          {"StallStatusPage/iterations:5/manual_time", "StallIdle/iterations:5/manual_time", 0, 50e6},
                                          {"StallSilentConverter/iterations:2/manual_time", "StallIdle/iterations:5/manual_time", 0, 50e6},
                                          {"PingStatusPage/iterations:5/manual_time", "PingIdle/iterations:5/manual_time", 0, 50e6},
                                          {"PingSilentConverter/iterations:2/manual_time", "PingIdle/iterations:5/manual_time", 0, 50e6},
                                      });
}
