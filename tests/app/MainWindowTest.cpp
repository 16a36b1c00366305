#include <QLabel>
#include <QLineEdit>

#include "AppFixture.h"
#include "CMyTQ4410.h"
#include "CMyTQ6630.h"
#include "CTQ4410_Ststus.h"
#include "CTQ6630_Status.h"
#include "ModalCloser.h"

namespace velkor::test {
namespace {

QString connectionText(CCorvaneDlg& window) { return window.findChild<QLabel*>("1006")->text(); }

TEST_F(AppFixture, StartsEmptyAtTheTopLeftCorner) {
  openWindow();
  EXPECT_EQ(window->geometry(), QRect(0, 0, 800, 611));
  EXPECT_EQ(window->windowTitle(), "Velkor USB Control");
  EXPECT_EQ(window->panelRect(), QRect(QPoint(200, 90), QPoint(789, 589)));
  EXPECT_EQ(connectionText(*window), "    No device online");
  for (int k = 1; k <= 10; ++k) EXPECT_FALSE(deviceButton(k)->isVisible()) << k;
  EXPECT_EQ(window->panel(), nullptr);
  EXPECT_EQ(mainDialog, window.get());
}

TEST_F(AppFixture, ScanShowsOneButtonPerConverterPicturedByModel) {
  addThreeConverters();
  openWindow();
  scan();
  EXPECT_EQ(connectionText(*window), "    Connected - 3");
  EXPECT_TRUE(shows(deviceButton(1), skin::DeviceTQ4410Listed));
  EXPECT_TRUE(shows(deviceButton(2), skin::DeviceTQ4410Listed));
  EXPECT_TRUE(shows(deviceButton(3), skin::DeviceTQ6630Listed));
  EXPECT_FALSE(deviceButton(4)->isVisible());
  std::string scanLines;
  for (int i = 0; i < 10; ++i) scanLines += "scan dev \n";
  EXPECT_TRUE(log.text().starts_with(scanLines + "scan USB  dev \n")) << log.text();
}

TEST_F(AppFixture, SelectingBuildsThePanelOfTheModelOnItsStatusPage) {
  addThreeConverters();
  openWindow();
  scan();
  choose(1);
  EXPECT_TRUE(shows(deviceButton(1), skin::DeviceTQ4410InUse));
  ASSERT_NE(qobject_cast<CMyTQ4410*>(window->panel()), nullptr);
  EXPECT_EQ(window->panel()->geometry(), QRect(200, 90, 590, 500));
  EXPECT_NE(qobject_cast<CTQ4410_Ststus*>(window->panel()->currentPage()), nullptr);
  EXPECT_TRUE(log.contains("open the right dev\n"));
  EXPECT_TRUE(log.contains("curIndex = -1 \nbtnIndex is 1 \n"));
  EXPECT_TRUE(log.contains("ret is 0 \n"));

  log.clear();
  choose(3);
  EXPECT_TRUE(shows(deviceButton(1), skin::DeviceTQ4410Listed));
  EXPECT_TRUE(shows(deviceButton(3), skin::DeviceTQ6630InUse));
  ASSERT_NE(qobject_cast<CMyTQ6630*>(window->panel()), nullptr);
  EXPECT_NE(qobject_cast<CTQ6630_Status*>(window->panel()->currentPage()), nullptr);
  // The old panel's page leaves first, then the panel itself.
  EXPECT_TRUE(log.contains("PostNcDestroy 4410 status \ntq4410  main  delete \n")) << log.text();
}

TEST_F(AppFixture, SelectionResetsModelAButKeepsModelB) {
  addThreeConverters();
  openWindow();
  scan();
  DeviceRecord& record = window->record();
  record.applyModeA = kManualApply;
  record.pendingA.outputFormat = 4;
  record.applyModeB = kManualApply;
  record.pendingB.outputFormat = 6;
  choose(3);
  EXPECT_EQ(record.applyModeA, kAutoApply);
  EXPECT_EQ(record.pendingA.outputFormat, 0);
  EXPECT_EQ(record.applyModeB, kManualApply);
  EXPECT_EQ(record.pendingB.outputFormat, 6);
  EXPECT_EQ(record.selectedDevice, 3);
  EXPECT_EQ(record.previousDevice, 3);
}

TEST_F(AppFixture, ScanFindingNothingHidesThePanel) {
  VirtualConverter& only = addConverter(ConverterModel::TQ6630, "/dev/hidraw0", "Solo");
  openWindow();
  scan();
  choose(1);
  ASSERT_NE(window->panel(), nullptr);
  only.setFault(ConverterFault::Unplugged);
  scan();
  EXPECT_EQ(window->panel(), nullptr);
  EXPECT_EQ(connectionText(*window), "    No device online");
  EXPECT_FALSE(deviceButton(1)->isVisible());
}

TEST_F(AppFixture, FailedOpenWarnsAndKeepsThePanel) {
  addThreeConverters();
  openWindow();
  scan();
  choose(1);
  PanelContainer* panel = window->panel();
  transport.setListingFails(true);
  ModalCloser closer;
  choose(2);
  EXPECT_EQ(closer.closed(), 1);
  EXPECT_EQ(closer.lastText(), "open USB fail");
  EXPECT_TRUE(shows(deviceButton(2), skin::DeviceTQ4410Failed));
  EXPECT_TRUE(shows(deviceButton(1), skin::DeviceTQ4410Listed));
  EXPECT_EQ(window->panel(), panel);
  EXPECT_TRUE(log.contains("ret is -1 \n"));
}

// The scan lists a converter this user may not open; its button looks failed, and
// choosing it says why and how to fix it.
TEST_F(AppFixture, AConverterWithoutPermissionIsListedAndChoosingItNamesCauseAndFix) {
  VirtualConverterSetup locked;
  locked.path = "/dev/hidraw4";
  locked.usbPort = "1-1.2:1.0";
  locked.permissionDenied = true;
  transport.addConverter(locked);
  addConverter(ConverterModel::TQ6630, "/dev/hidraw5", "Free");
  openWindow();
  scan();
  EXPECT_EQ(connectionText(*window), "    Connected - 2");
  ASSERT_TRUE(deviceButton(1)->isVisible());
  EXPECT_TRUE(shows(deviceButton(1), skin::DeviceTQ4410Failed));
  EXPECT_TRUE(deviceButton(1)->toolTip().contains("permission denied")) << deviceButton(1)->toolTip().toStdString();

  ModalCloser closer;
  choose(1);
  EXPECT_EQ(closer.closed(), 1);
  EXPECT_EQ(closer.lastText(), "open USB fail");
  const QString why = closer.lastInformativeText();
  // The fix is the system's: Windows has no udev rule to install.
#ifdef _WIN32
  EXPECT_TRUE(
      why.startsWith("Permission denied on /dev/hidraw4 (TQ4410 at 1-1.2:1.0): close the program that holds "
                     "the converter without sharing it"))
      << why.toStdString();
#else
  EXPECT_TRUE(why.startsWith("Permission denied on /dev/hidraw4 (TQ4410 at 1-1.2:1.0): install the udev rule"))
      << why.toStdString();
  EXPECT_TRUE(why.contains("velkorctl udev-rule | sudo tee /etc/udev/rules.d/70-velkor-converters.rules"));
#endif
  EXPECT_TRUE(why.contains("replug the converter"));
  EXPECT_TRUE(log.contains("ret is -1 \n"));
  EXPECT_EQ(window->panel(), nullptr);

  choose(2);
  EXPECT_NE(window->panel(), nullptr);
  EXPECT_TRUE(shows(deviceButton(1), skin::DeviceTQ4410Failed)) << "still cannot be used";
  EXPECT_EQ(closer.closed(), 1);
}

// Each device button tells which converter it stands for: model, identity and, once
// it has been in use, its custom name.
TEST_F(AppFixture, DeviceButtonsTellModelIdentityAndKnownName) {
  addThreeConverters();
  transport.converter("/dev/hidraw0")->replug("/dev/hidraw0", "1-1.1:1.0");
  openWindow();
  scan();
  EXPECT_EQ(deviceButton(1)->toolTip(), "Model: TQ4410\nIdentity: 1-1.1:1.0");
  EXPECT_EQ(deviceButton(3)->toolTip(), "Model: TQ6630\nIdentity: /dev/hidraw2");
  choose(1);
  choose(3);
  EXPECT_EQ(deviceButton(1)->toolTip(), "Model: TQ4410\nIdentity: 1-1.1:1.0\nName: Alpha");
  EXPECT_EQ(deviceButton(3)->toolTip(), "Model: TQ6630\nIdentity: /dev/hidraw2\nName: Charlie");
  EXPECT_EQ(deviceButton(2)->toolTip(), "Model: TQ4410\nIdentity: /dev/hidraw1");
  scan();
  EXPECT_EQ(deviceButton(1)->toolTip(), "Model: TQ4410\nIdentity: 1-1.1:1.0") << "a scan forgets the names";
}

TEST_F(AppFixture, ChoosingTheDeviceInUseAgainBuildsAFreshPanel) {
  addThreeConverters();
  openWindow();
  scan();
  choose(2);
  log.clear();
  choose(2);
  EXPECT_TRUE(shows(deviceButton(2), skin::DeviceTQ4410InUse));
  EXPECT_TRUE(log.contains("tq4410  main  delete \n"));
  EXPECT_TRUE(log.contains("curIndex = -1 \nbtnIndex is 1 \n"));
}

TEST_F(AppFixture, ElevenConvertersGiveTenButtonsInsideTheWindow) {
  for (int i = 0; i < 11; ++i) addConverter(ConverterModel::TQ4410, "/dev/hidraw" + std::to_string(i), "n");
  openWindow();
  scan();
  EXPECT_EQ(connectionText(*window), "    Connected - 11");
  QRegion taken;
  for (int k = 1; k <= 10; ++k) {
    CButtonST* button = deviceButton(k);
    EXPECT_TRUE(button->isVisible()) << k;
    EXPECT_TRUE(window->rect().contains(button->geometry())) << k;
    EXPECT_FALSE(taken.intersects(button->geometry())) << k;
    taken += button->geometry();
  }
}

TEST_F(AppFixture, CloseAndMinimiseLogTheirLines) {
  openWindow();
  QTest::mouseClick(control<CButtonST>(window.get(), 1001), Qt::LeftButton);
  EXPECT_TRUE(log.contains("min size \n"));
  QTest::mouseClick(control<CButtonST>(window.get(), 1002), Qt::LeftButton);
  EXPECT_TRUE(log.contains("exit window\n"));
  EXPECT_EQ(window->result(), QDialog::Accepted);
  EXPECT_FALSE(window->isVisible());
}

// Counts the left-button presses that reach the main window itself.
class PressCounter final : public QObject {
 public:
  explicit PressCounter(QWidget* window) { window->installEventFilter(this); }
  int presses = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) ++presses;
    return false;
  }
};

TEST_F(AppFixture, OnlyPressesOnTheMainWindowsOwnBackgroundDragIt) {
  addThreeConverters();
  openWindow();
  scan();
  choose(1);
  struct Case {
    const char* where;
    QWidget* widget;
    QPoint point;
    bool reachesWindow;
  };
  const Case cases[] = {
      {"background", window.get(), {100, 400}, true},
      {"connection text", control(window.get(), 1006), {5, 5}, true},
      {"panel", window->panel(), {10, 10}, false},
      {"page", window->panel()->currentPage(), {5, 5}, false},
  };
  for (const Case& c : cases) {
    PressCounter counter(window.get());
    QTest::mousePress(c.widget, Qt::LeftButton, {}, c.point);
    QTest::mouseRelease(c.widget, Qt::LeftButton, {}, c.point);
    EXPECT_EQ(counter.presses, c.reachesWindow ? 1 : 0) << c.where;
  }
}

TEST_F(AppFixture, EnterPressesOnlyTheFocusedButton) {
  addThreeConverters();
  openWindow();
  QTest::keyClick(window.get(), Qt::Key_Return);
  EXPECT_FALSE(log.contains("min size \n"));
  EXPECT_FALSE(window->isMinimized());
  EXPECT_FALSE(deviceButton(1)->isVisible());

  CButtonST* scanButton = control<CButtonST>(window.get(), 1003);
  scanButton->setFocus();
  QTest::keyClick(scanButton, Qt::Key_Return);
  EXPECT_TRUE(deviceButton(1)->isVisible());
}

}  // namespace
}  // namespace velkor::test
