#include "CTQ4410_Overlay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>

#include "BoundList.h"
#include "Log.h"
#include "MarginSlider.h"
#include "SettingLists.h"
#include "TemplateRows.h"

namespace velkor {

namespace {

constexpr int kOverlaysEnableList = 1033;
constexpr int kVerticalField = 1050;
constexpr int kHorizontalField = 1051;
constexpr int kVerticalSlider = 1054;
constexpr int kHorizontalSlider = 1055;
constexpr int kFirstItemCheckBox = 1042;  // one per overlay item flag, in flag order
constexpr int kTextColourList = 1034;
constexpr int kBackgroundColourList = 1035;
constexpr int kTextTransparencyField = 1048;
constexpr int kBackgroundTransparencyField = 1049;
constexpr int kTextTransparencySlider = 1052;
constexpr int kBackgroundTransparencySlider = 1053;
constexpr int kTransparencyShown = 50;

using namespace rows;

constexpr ControlSpec kTemplate[] = {
    rightLabel(NoControlId, "Overlays Enable", 70, 24, 54, 8),
    dropDownList(kOverlaysEnableList, 132, 22, 163, 105),
    rightLabel(NoControlId, "Vertical Margin", 76, 49, 48, 8),
    editField(kVerticalField, 132, 47, 26, 14),
    slider(kVerticalSlider, 171, 47, 125, 15),
    rightLabel(NoControlId, "Horizonal Margin", 70, 71, 54, 8),
    editField(kHorizontalField, 132, 68, 26, 14),
    slider(kHorizontalSlider, 171, 67, 125, 15),
    // Overlay details the page fills and keeps working but never shows.
    hidden(checkBox(kFirstItemCheckBox, "SDI Input Format Enable", 151, 138, 120, 10)),
    hidden(checkBox(kFirstItemCheckBox + 1, "HDMI Output Format Enable", 301, 138, 120, 10)),
    hidden(checkBox(kFirstItemCheckBox + 2, "CVBS Output Type Enable", 151, 158, 120, 10)),
    hidden(checkBox(kFirstItemCheckBox + 3, "HDMI Color Space Enable", 301, 158, 120, 10)),
    hidden(checkBox(kFirstItemCheckBox + 4, "Audio Embedding Enable", 151, 178, 120, 10)),
    hidden(checkBox(kFirstItemCheckBox + 5, "Audio De-Embedding Enable", 301, 178, 120, 10)),
    hidden(rightLabel(NoControlId, "Text Color", 70, 197, 70, 8)),
    hidden(dropDownList(kTextColourList, 145, 195, 98, 100)),
    hidden(rightLabel(NoControlId, "Background Color", 70, 218, 70, 8)),
    hidden(dropDownList(kBackgroundColourList, 145, 216, 98, 100)),
    hidden(rightLabel(NoControlId, "Text Transparency", 50, 235, 90, 8)),
    hidden(editField(kTextTransparencyField, 145, 233, 26, 14)),
    hidden(slider(kTextTransparencySlider, 185, 233, 125, 15)),
    hidden(rightLabel(NoControlId, "Background Transparency", 50, 253, 90, 8)),
    hidden(editField(kBackgroundTransparencyField, 145, 251, 26, 14)),
    hidden(slider(kBackgroundTransparencySlider, 185, 251, 125, 15)),
};

// The field and the slider of a margin share its label.
constexpr ControlName kNames[] = {
    {kOverlaysEnableList, "Overlays Enable"},
    {kVerticalField, "Vertical Margin"},
    {kVerticalSlider, "Vertical Margin"},
    {kHorizontalField, "Horizonal Margin"},
    {kHorizontalSlider, "Horizonal Margin"},
};

// The vertical margin goes out through a sender of its own, which does not log it.
void sendVerticalMargin(DeviceRecord& record, std::uint8_t, std::uint8_t value) { sendCommandX(record, value); }

// A transparency slider only shows where it was let go, in its field; the converter
// has no transparency setting.
class TransparencySlider final : public QObject {
 public:
  TransparencySlider(QSlider* slider, QLineEdit* field) : QObject(slider), slider_(slider), field_(field) {
    field_->setText(QString::asprintf("%d%%", kTransparencyShown));
    slider_->setRange(0, MarginSlider::kMaximum);
    slider_->setValue(kTransparencyShown);
    slider_->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == slider_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      logLine("data is %d \n", slider_->value());
      field_->setText(QString::asprintf("%02d%%", slider_->value()));
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QSlider* slider_;
  QLineEdit* field_;
};

}  // namespace

CTQ4410_Overlay::CTQ4410_Overlay() : PageFrame("PostNcDestroy 4410 overlay \n", kTemplate, Colours::SettingPage, kNames) {}

void CTQ4410_Overlay::initialise() {
  DeviceRecord& state = record();
  bindList(control<QComboBox>(kOverlaysEnableList), lists::kOverlaysEnable,
           SettingByte(state, &StatusBlockA::overlaysEnable, wire::kCmdOverlaysEnableA));
  fillList(control<QComboBox>(kTextColourList), lists::kColours, 0);
  fillList(control<QComboBox>(kBackgroundColourList), lists::kColours, 0);
  new TransparencySlider(control<QSlider>(kTextTransparencySlider), control<QLineEdit>(kTextTransparencyField));
  new TransparencySlider(control<QSlider>(kBackgroundTransparencySlider),
                         control<QLineEdit>(kBackgroundTransparencyField));
  new MarginSlider(control<QSlider>(kVerticalSlider), control<QLineEdit>(kVerticalField),
                   SettingByte(state, &StatusBlockA::verticalMargin, wire::kCmdVerticalMarginA,
                               SettingByte::Order::StoreThenSend, sendVerticalMargin));
  new MarginSlider(control<QSlider>(kHorizontalSlider), control<QLineEdit>(kHorizontalField),
                   SettingByte(state, &StatusBlockA::horizontalMargin, wire::kCmdHorizontalMarginA));
  bindItemCheckBoxes();
}

// The overlay item flags live in the current block only, whatever the apply mode.
void CTQ4410_Overlay::bindItemCheckBoxes() {
  for (std::size_t item = 0; item < wire::kOverlayItemCount; ++item) {
    auto* box = control<QCheckBox>(kFirstItemCheckBox + static_cast<int>(item));
    box->setChecked(record().statusA.overlayItems[item] != 0);
    connect(box, &QCheckBox::clicked, this, [this, item](bool checked) {
      DeviceRecord& state = record();
      const std::uint8_t value = checked ? 1 : 0;
      state.statusA.overlayItems[item] = value;
      if (state.applyModeA == kAutoApply)
        sendCommandA(state, static_cast<std::uint8_t>(wire::kCmdOverlayItemFirstA + item), value);
    });
  }
}

}  // namespace velkor
