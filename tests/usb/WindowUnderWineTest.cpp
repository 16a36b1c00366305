// The window program built for Windows, headless, under wine in the test machine: wine's
// HID stack (winebus on the hidraw nodes, its HID class driver, SetupAPI and hid.dll)
// stands where Windows' would. Scan, choose a converter, read its status page, and make
// a change on a page in Auto Apply. The converters cannot be asked from here (their
// control socket is the gadget's, on the Linux side), so the shell around this program,
// wine-checks.sh, sets them up before and reads what they hold after.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <memory>

#include "AppControls.h"
#include "GadgetControl.h"
#include "LogCapture.h"
#include "ModalCloser.h"
#include "SystemTransport.h"

namespace velkor::test {
namespace {

TEST(WindowUnderWine, ListsChoosesReadsAndChangesAConverter) {
  LogCapture log;
  const std::unique_ptr<Transport> transport = systemTransport();
  CCorvaneDlg window(*transport);
  window.show();
  ModalCloser closer;

  QTest::mouseClick(controlOf<CButtonST>(&window, kScanButton), Qt::LeftButton);
  for (int k = 0; k <= kConverterCount; ++k) {
    auto* button = controlOf<CButtonST>(&window, kFirstDeviceButton + k);
    EXPECT_EQ(button != nullptr && button->isVisible(), k < kConverterCount) << "device button " << k + 1;
  }

  // Its status page read the converter: the name field shows what the converter holds.
  const ModelControls& m = kControlsB;
  ASSERT_TRUE(chooseConverterNamed(window, m, QString::fromUtf8(kStageLeft.name), kConverterCount)) << log.text();
  EXPECT_EQ(window.record().statusB.outputFormat, 0);

  // Auto Apply: the next output format reaches the converter at once; wine-checks.sh
  // reads it back from the gadget.
  QTest::mouseClick(controlOf<CButtonST>(window.panel(), m.outputTab), Qt::LeftButton);
  auto* outputFormat = pageControlOf<QComboBox>(window, m.outputFormatList);
  ASSERT_NE(outputFormat, nullptr);
  outputFormat->setFocus();
  QTest::keyClick(outputFormat, Qt::Key_Down);
  EXPECT_EQ(outputFormat->currentIndex(), 1);
  EXPECT_EQ(window.record().statusB.outputFormat, 1) << "the converter's answer to the change";
  EXPECT_EQ(closer.closed(), 0) << closer.lastText().toStdString();
  EXPECT_EQ(log.text().find(" ret = -"), std::string::npos) << "an exchange failed:\n" << log.text();
}

}  // namespace
}  // namespace velkor::test
