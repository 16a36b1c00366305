#pragma once
// The window's controls that the kernel-path flows drive, by id, and the choice of a
// converter by the name its status page shows: the Linux flows and the Windows build's
// flow under wine use the same ids and the same way to find a converter's button.

#include <QLineEdit>
#include <QTest>
#include <vector>

#include "CButtonST.h"
#include "CCorvaneDlg.h"
#include "PanelContainer.h"

namespace velkor::test {

// The controls of each model's panel and pages.
struct ModelControls {
  std::vector<int> tabs;  // status first, function last
  int outputTab;
  int nameField;
  int outputFormatList;
  int applyModeList;
  int apply;
  int saveSettings;
  int loadSettings;
};
inline const ModelControls kControlsA{{1016, 1017, 1018, 1019, 1020}, 1017, 1022, 1024, 1053, 1023, 1055, 1057};
inline const ModelControls kControlsB{{1023, 1072, 1073, 1074}, 1072, 1077, 1085, 1094, 1095, 1096, 1098};
inline constexpr int kScanButton = 1003;
inline constexpr int kFirstDeviceButton = 1201;

template <typename Widget = QWidget>
Widget* controlOf(QWidget* parent, int id) {
  return parent->findChild<Widget*>(QString::number(id));
}

template <typename Widget = QWidget>
Widget* pageControlOf(CCorvaneDlg& window, int id) {
  return controlOf<Widget>(window.panel()->currentPage(), id);
}

// Chooses, among the first `buttons` device buttons, the one whose status page shows
// `name`. The order of the buttons is the system's listing order, which no test fixes.
inline bool chooseConverterNamed(CCorvaneDlg& window, const ModelControls& m, const QString& name, int buttons) {
  for (int k = 0; k < buttons; ++k) {
    auto* button = controlOf<CButtonST>(&window, kFirstDeviceButton + k);
    if (button == nullptr) return false;
    QTest::mouseClick(button, Qt::LeftButton);
    if (window.panel() == nullptr) continue;
    auto* field = pageControlOf<QLineEdit>(window, m.nameField);
    if (field != nullptr && field->text() == name) return true;
  }
  return false;
}

}  // namespace velkor::test
