#pragma once
// The main window: the skin, the scan, the column of device buttons and the panel of
// the converter in use. It owns the device-state record.

#include <QDialog>
#include <QString>
#include <array>
#include <memory>

#include "DeviceRecord.h"
#include "PageHost.h"
#include "Transport.h"

class QLabel;

namespace velkor {

class CButtonST;
class PanelContainer;
class ResponsiveWait;

class CCorvaneDlg final : public QDialog, public PageHost {
  Q_OBJECT

 public:
  explicit CCorvaneDlg(Transport& transport);
  ~CCorvaneDlg() override;

  DeviceRecord& record() override { return *record_; }
  Transport& transport() { return transport_; }
  PanelContainer* panel() const { return panel_; }
  QRect panelRect() const { return panelRect_; }

  // Command handlers, reachable for tools and tests as the buttons reach them.
  void onScan();
  void onDeviceButton(int k);
  // Opens entry k and builds the panel of its model; 0, or -1 when it cannot be opened.
  int selectDevice(int k);
  void showAbout();

  static constexpr int kWidth = 800;
  static constexpr int kHeight = 611;
  static constexpr int kDeviceButtons = 10;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  enum class DeviceLook { Listed, InUse, Failed };

  CButtonST* setUpImageButton(int id, int image, QRect place);
  // Pictures device button k by its entry's model; an entry that is not an accepted
  // converter leaves the button as it is. A converter this user may not open looks
  // failed while it is not in use.
  void showDeviceLook(int k, DeviceLook look);
  // Model, identity and, once known, the custom name of device button k's converter.
  void describeDevice(int k);
  // Keeps the name of device k, when it is the one open, for its button.
  void rememberName(int k);
  void dropPanel();
  // The window's menu (About), at a point of the screen.
  void showContextMenu(QPoint at);

  Transport& transport_;
  std::unique_ptr<DeviceRecord> record_;
  QIcon appIcon_;
  std::unique_ptr<ResponsiveWait> wait_;
  CButtonST* minimizeButton_ = nullptr;
  CButtonST* closeButton_ = nullptr;
  CButtonST* scanButton_ = nullptr;
  QLabel* versionLabel_ = nullptr;
  QLabel* connectionLabel_ = nullptr;
  std::array<CButtonST*, kDeviceButtons> deviceButtons_{};
  std::array<QString, kDeviceButtons> knownNames_{};
  QRect panelRect_;
  PanelContainer* panel_ = nullptr;
};

}  // namespace velkor
