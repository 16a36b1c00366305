#include "CCorvaneDlg.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QWindow>

#include "AccessibleNames.h"
#include "CAboutDlg.h"
#include "CButtonST.h"
#include "CMyTQ4410.h"
#include "CMyTQ6630.h"
#include "DialogTemplate.h"
#include "Discovery.h"
#include "Log.h"
#include "PermissionHint.h"
#include "ResponsiveWait.h"
#include "SkinImages.h"
#include "SkinPalette.h"

namespace velkor {

namespace {

constexpr int kMinimizeId = 1001;
constexpr int kCloseId = 1002;
constexpr int kScanId = 1003;
constexpr int kVersionLabelId = 1005;
constexpr int kConnectionLabelId = 1006;
constexpr int kPanelFrameId = 1015;
constexpr int kFirstDeviceId = 1201;

constexpr const char* kNoDeviceText = "    No device online";

// The window's template. The code places every control in pixels afterwards.
constexpr ControlSpec kTemplate[] = {
    {.kind = ControlKind::PushButton, .id = kMinimizeId, .caption = " "},
    {.kind = ControlKind::PushButton, .id = kCloseId},
    {.kind = ControlKind::PushButton, .id = kScanId},
    {.kind = ControlKind::PushButton, .id = 1004, .visible = false},
    {.kind = ControlKind::StaticText, .id = kVersionLabelId, .caption = "Version: 1.0.3.4"},
    {.kind = ControlKind::StaticText, .id = kConnectionLabelId, .caption = kNoDeviceText},
    {.kind = ControlKind::PushButton, .id = 1201, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1202, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1203, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1204, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1205, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1206, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1207, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1208, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1209, .visible = false},
    {.kind = ControlKind::PushButton, .id = 1210, .visible = false},
    {.kind = ControlKind::Frame, .id = kPanelFrameId, .visible = false},
};

// What a screen reader says of the window's own buttons; the skin pictures them.
constexpr ControlName kNames[] = {
    {kMinimizeId, "Minimise"},
    {kCloseId, "Close"},
    {kScanId, "Scan for converters"},
};

// The words the background shows where a converter's panel goes, while there is none.
const char* const kNoPanelText = "No device connected";

constexpr QRect kMinimizePlace{720, 0, 40, 25};
constexpr QRect kClosePlace{760, 0, 40, 25};
constexpr QRect kScanPlace{3, 62, 190, 75};
constexpr QRect kVersionPlace{690, 40, 110, 20};
constexpr QRect kConnectionPlace{5, 40, 140, 20};
constexpr QRect kPanelPlace{200, 90, 590, 500};

// Device buttons stack down the left column, 197 x 50 from y 140. Nine fit in the
// window; the tenth sits in the free middle of the title strip.
constexpr int kDeviceWidth = 197;
constexpr int kDeviceHeight = 50;
constexpr int kDeviceTop = 140;
constexpr QPoint kTenthDevicePlace{490, 4};

QRect devicePlace(int k) {
  const int top = kDeviceTop + kDeviceHeight * (k - 1);
  if (top + kDeviceHeight <= CCorvaneDlg::kHeight) return {0, top, kDeviceWidth, kDeviceHeight};
  return {kTenthDevicePlace, QSize(kDeviceWidth, kDeviceHeight)};
}

// What differs between the models in the main window: name, button pictures, panel.
struct ModelLook {
  std::uint16_t versionNumber;
  const char* word;
  std::u16string DeviceRecord::*customName;
  int listed;
  int inUse;
  int failed;
  PanelContainer* (*createPanel)(QWidget* parent);
};

template <typename Panel>
PanelContainer* makePanel(QWidget* parent) {
  return new Panel(parent);
}

constexpr ModelLook kModelLooks[] = {
    {kVersionModelA, "TQ4410", &DeviceRecord::customNameA, skin::DeviceTQ4410Listed, skin::DeviceTQ4410InUse,
     skin::DeviceTQ4410Failed, makePanel<CMyTQ4410>},
    {kVersionModelB, "TQ6630", &DeviceRecord::customNameB, skin::DeviceTQ6630Listed, skin::DeviceTQ6630InUse,
     skin::DeviceTQ6630Failed, makePanel<CMyTQ6630>},
};

// The look of an accepted converter's entry; null for anything else.
const ModelLook* lookOf(const DeviceEntry* entry) {
  if (entry == nullptr || !entry->isAcceptedDevice()) return nullptr;
  for (const ModelLook& look : kModelLooks)
    if (look.versionNumber == entry->versionNumber) return &look;
  return nullptr;
}

// The cause and the fix, under "open USB fail".
QString permissionDeniedText(const DeviceEntry& entry) {
  const ModelLook* model = lookOf(&entry);
  return QString("Permission denied on %1 (%2 at %3): %4.")
      .arg(QString::fromStdString(entry.path), model != nullptr ? model->word : "converter",
           QString::fromLatin1(entry.pathTail.data()), QString::fromStdString(permissionFix()));
}

}  // namespace

CCorvaneDlg::CCorvaneDlg(Transport& transport)
    : QDialog(nullptr, Qt::Window | Qt::FramelessWindowHint),
      transport_(transport),
      record_(std::make_unique<DeviceRecord>()),
      appIcon_(applicationIcon()),
      wait_(std::make_unique<ResponsiveWait>(*this)) {
  buildFromTemplate(this, kTemplate);
  mainDialog = this;
  setWindowIcon(appIcon_);
  setGeometry(0, 0, kWidth, kHeight);
  setFixedSize(kWidth, kHeight);
  setWindowTitle("Velkor USB Control");

  minimizeButton_ = setUpImageButton(kMinimizeId, skin::MinimiseButton, kMinimizePlace);
  closeButton_ = setUpImageButton(kCloseId, skin::CloseButton, kClosePlace);
  scanButton_ = setUpImageButton(kScanId, skin::ScanButton, kScanPlace);
  connect(minimizeButton_, &QPushButton::clicked, this, [this] {
    logLine("min size \n");
    showMinimized();
  });
  connect(closeButton_, &QPushButton::clicked, this, [this] {
    logLine("exit window\n");
    accept();
  });
  connect(scanButton_, &QPushButton::clicked, this, &CCorvaneDlg::onScan);
  nameControls(*this, kNames);
  setAccessibleDescription(kNoPanelText);

  versionLabel_ = findChild<QLabel*>(QString::number(kVersionLabelId));
  connectionLabel_ = findChild<QLabel*>(QString::number(kConnectionLabelId));
  for (QLabel* label : {versionLabel_, connectionLabel_}) {
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, palette::White);
    colours.setColor(QPalette::Window, palette::LabelBlue);
    label->setPalette(colours);
    label->setAutoFillBackground(true);
  }
  versionLabel_->setGeometry(kVersionPlace);
  connectionLabel_->setGeometry(kConnectionPlace);

  for (int k = 1; k <= kDeviceButtons; ++k) {
    CButtonST* button = setUpImageButton(kFirstDeviceId + k - 1, skin::DeviceBlank, devicePlace(k));
    button->hide();
    connect(button, &QPushButton::clicked, this, [this, k] { onDeviceButton(k); });
    deviceButtons_[k - 1] = button;
  }

  QWidget* panelFrame = findChild<QWidget*>(QString::number(kPanelFrameId));
  panelFrame->setGeometry(kPanelPlace);
  panelRect_ = panelFrame->geometry();
  setFocus();
}

CCorvaneDlg::~CCorvaneDlg() {
  dropPanel();
  if (mainDialog == this) mainDialog = nullptr;
}

CButtonST* CCorvaneDlg::setUpImageButton(int id, int image, QRect place) {
  auto* button = new CButtonST(this);
  button->attachToControl(this, id);
  button->useImage(image);
  button->setGeometry(place);
  button->enableParentBackground();
  button->setFlatLook(true);
  button->setHoverEdge(false);
  return button;
}

void CCorvaneDlg::showDeviceLook(int k, DeviceLook look) {
  if (k < 1 || k > kDeviceButtons) return;
  const DeviceEntry* entry = record_->deviceTable.entry(k);
  const ModelLook* model = lookOf(entry);
  if (model == nullptr) return;
  if (look == DeviceLook::Listed && entry->accessDenied) look = DeviceLook::Failed;
  const int image = look == DeviceLook::Listed  ? model->listed
                    : look == DeviceLook::InUse ? model->inUse
                                                : model->failed;
  deviceButtons_[k - 1]->useImage(image);
}

void CCorvaneDlg::describeDevice(int k) {
  const DeviceEntry* entry = record_->deviceTable.entry(k);
  const ModelLook* model = lookOf(entry);
  if (model == nullptr || k > kDeviceButtons) return;
  QString text = QString("Model: %1\nIdentity: %2").arg(model->word, QString::fromLatin1(entry->pathTail.data()));
  if (!knownNames_[k - 1].isNull()) text += "\nName: " + knownNames_[k - 1];
  if (entry->accessDenied) text += "\nCannot be used: permission denied";
  CButtonST* button = deviceButtons_[k - 1];
  button->setToolTip(text);
  // Its custom name once known, its identity until then.
  const QString known = knownNames_[k - 1].isEmpty() ? QString::fromLatin1(entry->pathTail.data()) : knownNames_[k - 1];
  button->setAccessibleName(QString("%1 %2").arg(model->word, known));
  button->setAccessibleDescription(text);
}

void CCorvaneDlg::rememberName(int k) {
  const DeviceEntry* entry = record_->deviceTable.entry(k);
  const ModelLook* model = lookOf(entry);
  if (model == nullptr || k > kDeviceButtons || entry->handle == nullptr) return;
  knownNames_[k - 1] = QString::fromStdU16String((*record_).*model->customName);
  describeDevice(k);
}

void CCorvaneDlg::dropPanel() {
  if (panel_ == nullptr) return;
  panel_->hide();
  delete panel_;
  panel_ = nullptr;
  setAccessibleDescription(kNoPanelText);
}

void CCorvaneDlg::onScan() {
  DeviceRecord& record = *record_;
  record.statusA = {};
  record.deviceTable.clear();
  dropPanel();
  for (CButtonST* button : deviceButtons_) {
    button->hide();
    logLine("scan dev \n");
  }
  knownNames_.fill(QString());
  logLine("scan USB  dev \n");
  const int found = enumerateDevices(transport_, record.deviceTable);
  if (found < 0) return;
  connectionLabel_->setText(found == 0 ? QString(kNoDeviceText) : QString::asprintf("    Connected - %d", found));
  for (int k = 1; k <= kDeviceButtons; ++k) {
    if (lookOf(record.deviceTable.entry(k)) == nullptr) continue;
    showDeviceLook(k, DeviceLook::Listed);
    describeDevice(k);
    deviceButtons_[k - 1]->show();
  }
}

void CCorvaneDlg::onDeviceButton(int k) {
  record_->selectedDevice = k;
  const int result = selectDevice(k);
  logLine("ret is %d \n", result);
  showDeviceLook(k, result == 0 ? DeviceLook::InUse : DeviceLook::Failed);
  // The panel's first page has asked the converter for its name.
  if (result == 0) rememberName(k);
  describeDevice(k);
  record_->previousDevice = k;
}

int CCorvaneDlg::selectDevice(int k) {
  DeviceRecord& record = *record_;
  rememberName(record.previousDevice);  // a name test may have renamed it since
  record.resetModelA();
  if (record.previousDevice >= 0 && record.previousDevice != k)
    showDeviceLook(record.previousDevice, DeviceLook::Listed);
  record.deviceTable.closeAll();

  DeviceEntry* entry = record.deviceTable.entry(k);
  const int opened = entry != nullptr ? openDevice(transport_, *entry) : kNoInterfaceList;
  if (opened != 0) {
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), QStringLiteral("open USB fail"), QMessageBox::Ok, this);
    if (opened == kAccessDenied) box.setInformativeText(permissionDeniedText(*entry));
    box.exec();
    return -1;
  }
  dropPanel();
  const ModelLook* model = lookOf(entry);
  if (model == nullptr) return 0;
  panel_ = model->createPanel(this);
  panel_->setGeometry(panelRect_);
  panel_->show();
  setAccessibleDescription(QString());
  return 0;
}

void CCorvaneDlg::showAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CCorvaneDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(rect(), skinImage(skin::MainBackground, devicePixelRatioF()));
}

// Dragging anywhere on the background moves the frameless window.
void CCorvaneDlg::mousePressEvent(QMouseEvent* event) {
  QDialog::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && windowHandle() != nullptr) windowHandle()->startSystemMove();
}

// The window has no default button: Enter presses the button that has the focus and
// nothing else, so it never minimises or closes the window by surprise.
void CCorvaneDlg::keyPressEvent(QKeyEvent* event) {
  // The context-menu key and Shift+F10 open the menu a right click opens, beside the
  // control that has the focus.
  const bool menuKey = event->key() == Qt::Key_Menu ||
                       (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
  if (menuKey) {
    const QWidget* focused = focusWidget() != nullptr ? focusWidget() : this;
    showContextMenu(focused->mapToGlobal(focused->rect().center()));
    event->accept();
    return;
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && qobject_cast<QPushButton*>(focusWidget()) == nullptr) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

// A frameless window has no system menu: About lives in the background's context menu.
void CCorvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Mouse && childAt(event->pos()) != nullptr) return;
  showContextMenu(event->globalPos());
}

void CCorvaneDlg::showContextMenu(QPoint at) {
  QMenu menu(this);
  menu.addAction(CAboutDlg::menuText(), this, &CCorvaneDlg::showAbout);
  menu.exec(at);
}

}  // namespace velkor
