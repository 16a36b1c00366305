#pragma once
// The main window on virtual converters (two TQ4410 and one TQ6630 unless a test adds
// others), shown headless, with the log captured.

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <memory>

#include "CButtonST.h"
#include "CCorvaneDlg.h"
#include "LogCapture.h"
#include "PanelContainer.h"
#include "SkinImages.h"
#include "virtual/Clock.h"
#include "virtual/VirtualTransport.h"

namespace velkor::test {

class AppFixture : public ::testing::Test {
 protected:
  VirtualConverter& addConverter(ConverterModel model, const std::string& path, std::string name) {
    VirtualConverterSetup setup;
    setup.model = model;
    setup.path = path;
    setup.name = std::move(name);
    return transport.addConverter(setup);
  }

  void addThreeConverters() {
    addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Alpha");
    addConverter(ConverterModel::TQ4410, "/dev/hidraw1", "Bravo");
    addConverter(ConverterModel::TQ6630, "/dev/hidraw2", "Charlie");
  }

  void openWindow() {
    window = std::make_unique<CCorvaneDlg>(transport);
    window->show();
  }

  template <typename Widget = QWidget>
  Widget* control(QWidget* parent, int id) {
    return parent->findChild<Widget*>(QString::number(id));
  }
  CButtonST* deviceButton(int k) { return control<CButtonST>(window.get(), 1200 + k); }

  void scan() { QTest::mouseClick(control<CButtonST>(window.get(), 1003), Qt::LeftButton); }
  void choose(int k) { QTest::mouseClick(deviceButton(k), Qt::LeftButton); }

  // True when the widget's pixels are exactly that skin image's (an image button
  // without caption whose image fills it).
  static bool shows(QWidget* widget, int image) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32) ==
           skinImage(image).convertToFormat(QImage::Format_RGB32);
  }

  ManualClock clock;
  VirtualTransport transport{clock};
  LogCapture log;
  std::unique_ptr<CCorvaneDlg> window;
};

}  // namespace velkor::test
