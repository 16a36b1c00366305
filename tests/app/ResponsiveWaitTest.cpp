// The window while it waits for a converter: it goes on running its event loop, drops
// the operator's input instead of queueing it into another request, and closes only
// once the exchange in flight has ended.

#include <QApplication>
#include <QTimer>

#include "AppFixture.h"

namespace velkor::test {
namespace {

class WaitingWindow : public AppFixture {
 protected:
  void SetUp() override {
    addThreeConverters();
    openWindow();
    scan();
    log.clear();
  }

  // Runs `during` from the event loop every few milliseconds while device k's status
  // page opens (its name test pauses three times 50 ms between exchanges).
  int whileChoosing(int k, const std::function<void()>& during) {
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      ++ticks;
      during();
    });
    timer.start();
    choose(k);
    return ticks;
  }
};

TEST_F(WaitingWindow, TheEventLoopRunsWhileAStatusPageOpens) {
  const int ticks = whileChoosing(1, [] {});
  EXPECT_GT(ticks, 0) << "the window was blocked for the whole opening";
  EXPECT_TRUE(log.contains("4410 init over \n"));
}

TEST_F(WaitingWindow, InputDuringAnExchangeIsDroppedNotQueued) {
  int clicks = 0;
  whileChoosing(1, [&] {
    // Once the status page is testing the name: in a pause between its exchanges.
    if (clicks > 0 || !log.contains("11111111111")) return;
    ++clicks;
    // Another converter, and the scan button: neither may act now or later.
    QTest::mouseClick(deviceButton(3), Qt::LeftButton);
    QTest::mouseClick(control<CButtonST>(window.get(), 1003), Qt::LeftButton);
  });
  QApplication::processEvents();
  ASSERT_GT(clicks, 0);
  EXPECT_EQ(window->record().selectedDevice, 1);
  EXPECT_TRUE(transport.converters()[2]->receivedFrames().empty());
  EXPECT_FALSE(log.contains("scan USB  dev")) << log.text();
}

TEST_F(WaitingWindow, ACloseWaitsForTheExchangeInFlight) {
  bool closeAsked = false;
  bool visibleAfterAsking = false;
  whileChoosing(1, [&] {
    if (!closeAsked) {
      closeAsked = true;
      window->close();
      visibleAfterAsking = window->isVisible();
    }
  });
  ASSERT_TRUE(closeAsked);
  EXPECT_TRUE(visibleAfterAsking) << "closed in the middle of an exchange";
  EXPECT_TRUE(log.contains("4410 init over \n")) << "the page finished opening";
  EXPECT_FALSE(window->isVisible()) << "and then the window closed";
}

}  // namespace
}  // namespace velkor::test
