#include <gtest/gtest.h>

#include <QApplication>

#include "ApplicationLook.h"

int main(int argc, char** argv) {
  // Headless unless told otherwise; test discovery runs the binary without ctest's
  // environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  velkor::installApplicationLook();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
