// The application built with hidapi, headless, through its flows against gadget
// converters in the test machine: scan, choose each converter, every page, the name
// write test, a setting in both apply modes, and Save, Load and Apply on the function
// page. What each converter holds is read from the gadget, not from the window.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "AppControls.h"
#include "CButtonST.h"
#include "CCorvaneDlg.h"
#include "GadgetControl.h"
#include "HidapiTransport.h"
#include "LogCapture.h"
#include "ModalCloser.h"
#include "PanelContainer.h"

namespace velkor::test {
namespace {

class AppFlow : public ::testing::TestWithParam<GadgetDevice> {
 protected:
  void SetUp() override {
    for (const GadgetDevice& d : {kStudioA, kObTruck, kStageLeft}) {
      GadgetControl::send("reset " + std::to_string(d.number));
      GadgetControl::send("name " + std::to_string(d.number) + " " + d.name);
      GadgetControl::send("settings " + std::to_string(d.number) + " 0,0,0,0,0,0,0,0");
    }
    ASSERT_TRUE(GadgetControl::waitForHidraw(kConverterCount + 1));
    window = std::make_unique<CCorvaneDlg>(transport);
    window->show();
  }

  template <typename Widget = QWidget>
  Widget* control(QWidget* parent, int id) {
    return controlOf<Widget>(parent, id);
  }
  template <typename Widget = QWidget>
  Widget* pageControl(int id) {
    return pageControlOf<Widget>(*window, id);
  }
  void click(QWidget* parent, int id) {
    auto* button = control<CButtonST>(parent, id);
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  std::string outputFormatHeld() {
    const std::string settings = GadgetControl::state(GetParam().number).at("settings");
    return settings.substr(0, settings.find(','));
  }
  bool chooseOwnButton(const ModelControls& m) {
    return chooseConverterNamed(*window, m, QString::fromUtf8(GetParam().name), kConverterCount);
  }

  LogCapture log;
  HidapiTransport transport;
  std::unique_ptr<CCorvaneDlg> window;
};

TEST_P(AppFlow, EveryPageAndBothApplyModes) {
  const GadgetDevice& device = GetParam();
  const ModelControls& m = device.number == kStageLeft.number ? kControlsB : kControlsA;
  ModalCloser closer;
  click(window.get(), kScanButton);
  for (int k = 0; k <= kConverterCount; ++k) {
    auto* button = control<CButtonST>(window.get(), kFirstDeviceButton + k);
    EXPECT_EQ(button != nullptr && button->isVisible(), k < kConverterCount) << "device button " << k + 1;
  }

  // The status page's name write test passed without a box and left the name as it was.
  ASSERT_TRUE(chooseOwnButton(m)) << log.text();
  EXPECT_EQ(closer.closed(), 0) << closer.lastText().toStdString();
  EXPECT_EQ(GadgetControl::state(device.number).at("name"), device.name);

  for (int tab : m.tabs) {
    click(window->panel(), tab);
    EXPECT_NE(window->panel()->currentPage(), nullptr) << "tab " << tab;
  }

  // Auto Apply: a change reaches the converter at once.
  click(window->panel(), m.outputTab);
  auto* outputFormat = pageControl<QComboBox>(m.outputFormatList);
  ASSERT_NE(outputFormat, nullptr);
  outputFormat->setFocus();
  QTest::keyClick(outputFormat, Qt::Key_Down);
  EXPECT_EQ(outputFormatHeld(), "1");

  // Manual Apply: held until Apply.
  click(window->panel(), m.tabs.back());
  auto* mode = pageControl<QComboBox>(m.applyModeList);
  ASSERT_NE(mode, nullptr);
  mode->setFocus();
  QTest::keyClick(mode, Qt::Key_Down);
  ASSERT_EQ(mode->currentIndex(), 1);
  click(window->panel(), m.outputTab);
  outputFormat = pageControl<QComboBox>(m.outputFormatList);
  outputFormat->setFocus();
  QTest::keyClick(outputFormat, Qt::Key_Down);
  EXPECT_EQ(outputFormatHeld(), "1") << "Manual Apply sent a change at once";
  click(window->panel(), m.tabs.back());
  click(window->panel()->currentPage(), m.apply);
  EXPECT_EQ(outputFormatHeld(), "2") << "Apply did not send the held settings";

  // Save, then Load after the converter lost its settings.
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString previous = QDir::currentPath();
  QDir::setCurrent(folder.path());
  click(window->panel()->currentPage(), m.saveSettings);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1);
  GadgetControl::send("settings " + std::to_string(device.number) + " 0,0,0,0,0,0,0,0");
  click(window->panel()->currentPage(), m.loadSettings);
  QDir::setCurrent(previous);
  EXPECT_EQ(outputFormatHeld(), "2") << "Load did not send the saved settings";
  EXPECT_EQ(closer.closed(), 0) << closer.lastText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Converters, AppFlow, ::testing::Values(kStudioA, kObTruck, kStageLeft),
                         [](const auto& info) { return std::to_string(info.param.number); });

// The window keeps its converter open while velkorctl changes it ten times: the kernel
// queues every reply velkorctl asked for for the window too, and the window's next
// exchange must read the reply to its own request.
using SharedConverter = AppFlow;

TEST_P(SharedConverter, TheWindowReadsItsOwnRepliesWhileVelkorctlChangesTheConverter) {
  const ModelControls& m = kControlsB;
  const char* velkorctl = std::getenv("VELKORCTL");
  ASSERT_NE(velkorctl, nullptr) << "VELKORCTL names the velkorctl to run";
  ModalCloser closer;
  click(window.get(), kScanButton);
  ASSERT_TRUE(chooseOwnButton(m)) << log.text();

  const int framesBefore = GadgetControl::frames(GetParam().number);
  for (int format = 1; format <= 10; ++format) {
    const std::string command =
        std::string(velkorctl) + " --model tq6630 set output-format=" + std::to_string(format) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  EXPECT_EQ(GadgetControl::frames(GetParam().number) - framesBefore, 30) << "a query, the setting, a read-back each";

  log.clear();
  click(window->panel(), m.outputTab);
  click(window->panel(), m.tabs.front());  // a new status page asks the converter afresh
  EXPECT_TRUE(log.contains("discarded 30 queued reports\n")) << log.text();
  EXPECT_EQ(window->record().statusB.outputFormat, 10);
  EXPECT_EQ(pageControl<QLineEdit>(m.nameField)->text().toStdString(), GetParam().name);
  EXPECT_EQ(closer.closed(), 0) << closer.lastText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Converter, SharedConverter, ::testing::Values(kStageLeft),
                         [](const auto& info) { return std::to_string(info.param.number); });

}  // namespace
}  // namespace velkor::test
