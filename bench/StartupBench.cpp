// Start-up: from process start to the first painted frame of the main window, and the
// peak memory of that process, beside a bare Qt window of the same size built with the
// same flags. Each start is a fresh process; the figures are medians.
//
//   bench_startup [runs]          measure (default 15 runs of each)
//   bench_startup --probe app     one start of the application, on virtual converters
//   bench_startup --probe bare    one start of a bare frameless 800 x 611 window

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "CCorvaneApp.h"
#include "CCorvaneDlg.h"
#include "Log.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

extern char** environ;

namespace {

long long monotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Reports the moment the window has been painted once, then ends the process.
class FirstPaint final : public QObject {
 public:
  explicit FirstPaint(QWidget* window) { window->installEventFilter(this); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // Leave once this paint is done and on its way to the screen.
      QTimer::singleShot(0, [] {
        std::printf("%lld\n", monotonicNanoseconds());
        std::fflush(stdout);
        std::_Exit(0);
      });
    }
    return false;
  }

 private:
  bool seen_ = false;
};

int probeApplication(int argc, char** argv) {
  velkor::setLogStream(nullptr);
  velkor::CCorvaneApp app(argc, argv);
  velkor::SteadyClock clock;
  velkor::VirtualTransport transport(clock);
  velkor::addDemoConverters(transport);
  velkor::CCorvaneDlg window(transport);
  FirstPaint watch(&window);
  window.show();
  return app.exec();
}

int probeBareWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.setGeometry(0, 0, velkor::CCorvaneDlg::kWidth, velkor::CCorvaneDlg::kHeight);
  FirstPaint watch(&window);
  window.show();
  return app.exec();
}

struct Start {
  double milliseconds;
  double peakMiB;
};

Start startOnce(const char* self, const char* kind) {
  int out[2];
  if (pipe(out) != 0) std::exit(2);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char* args[] = {const_cast<char*>(self), const_cast<char*>("--probe"), const_cast<char*>(kind), nullptr};
  const long long started = monotonicNanoseconds();
  pid_t child = 0;
  if (posix_spawn(&child, self, &actions, nullptr, args, environ) != 0) std::exit(2);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  char line[64] = {};
  const ssize_t got = read(out[0], line, sizeof line - 1);
  close(out[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench_startup: the %s probe failed\n", kind);
    std::exit(2);
  }
  return {static_cast<double>(std::atoll(line) - started) / 1e6, static_cast<double>(usage.ru_maxrss) / 1024.0};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--probe") == 0) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::strcmp(argv[2], "app") == 0 ? probeApplication(argc, argv) : probeBareWindow(argc, argv);
  }
  const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 15;
  std::vector<double> appMs, appMiB, bareMs, bareMiB;
  for (int i = 0; i < runs; ++i) {  // interleaved, so both see the same machine
    const Start app = startOnce(argv[0], "app");
    const Start bare = startOnce(argv[0], "bare");
    appMs.push_back(app.milliseconds);
    appMiB.push_back(app.peakMiB);
    bareMs.push_back(bare.milliseconds);
    bareMiB.push_back(bare.peakMiB);
  }
  const double timeRatio = median(appMs) / median(bareMs);
  const double memoryRatio = median(appMiB) / median(bareMiB);
  std::printf("%-28s %10s %10s %8s  %s\n", "figure", "app", "bare", "ratio", "target");
  std::printf("%-28s %10.1f %10.1f %8.2f  ratio <= 1.25%s\n", "start to first paint, ms", median(appMs), median(bareMs),
              timeRatio, timeRatio <= 1.25 ? "" : "  MISSED");
  std::printf("%-28s %10.1f %10.1f %8.2f  ratio <= 1.25%s\n", "peak memory, MiB", median(appMiB), median(bareMiB),
              memoryRatio, memoryRatio <= 1.25 ? "" : "  MISSED");
  return 0;
}
