#include "CTQ6630_Overlay.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include "BoundList.h"
#include "MarginSlider.h"
#include "SettingLists.h"
#include "TemplateRows.h"

namespace velkor {

namespace {

constexpr int kOverlaysEnableList = 1089;
constexpr int kVerticalField = 1092;
constexpr int kHorizontalField = 1093;
constexpr int kVerticalSlider = 1090;
constexpr int kHorizontalSlider = 1091;
constexpr int kImageFlipList = 1033;
constexpr int kFreezeList = 1115;

using namespace rows;

constexpr ControlSpec kTemplate[] = {
    rightLabel(NoControlId, "Overlays Enable", 18, 21, 74, 8),
    dropDownList(kOverlaysEnableList, 106, 19, 163, 105),
    rightLabel(NoControlId, "Vertical Margin", 44, 46, 48, 8),
    editField(kVerticalField, 106, 44, 26, 14),
    slider(kVerticalSlider, 145, 44, 125, 15),
    rightLabel(NoControlId, "Horizonal Margin", 38, 68, 54, 8),
    editField(kHorizontalField, 106, 65, 26, 14),
    slider(kHorizontalSlider, 145, 64, 125, 15),
    rightLabel(NoControlId, "Image Flip", 38, 94, 54, 8),
    dropDownList(kImageFlipList, 106, 91, 163, 87),
    hidden(rightLabel(NoControlId, "Freeze", 58, 111, 34, 8)),
    hidden(dropDownList(kFreezeList, 106, 109, 163, 87)),
};

// The field and the slider of a margin share its label.
constexpr ControlName kNames[] = {
    {kOverlaysEnableList, "Overlays Enable"},
    {kVerticalField, "Vertical Margin"},
    {kVerticalSlider, "Vertical Margin"},
    {kHorizontalField, "Horizonal Margin"},
    {kHorizontalSlider, "Horizonal Margin"},
    {kImageFlipList, "Image Flip"},
};

constexpr ListRow<StatusBlockB> kLists[] = {
    {kOverlaysEnableList, lists::kOverlaysEnable, &StatusBlockB::overlaysEnable, wire::kCmdOverlaysEnableB},
    {kImageFlipList, lists::kImageFlips, &StatusBlockB::mirrorImage, wire::kCmdMirrorImageB},
    {kFreezeList, lists::kScreenFreeze, &StatusBlockB::screenFreeze, wire::kCmdScreenFreezeB},
};

}  // namespace

CTQ6630_Overlay::CTQ6630_Overlay() : PageFrame("PostNcDestroy 6630 overlay \n", kTemplate, Colours::SettingPage, kNames) {}

void CTQ6630_Overlay::initialise() {
  DeviceRecord& state = record();
  for (const auto& row : kLists) bindList(control<QComboBox>(row.id), row.items, row.setting(state));
  // A margin is stored after the exchange, so the record holds the slider's value
  // whatever the converter's reply carried.
  constexpr auto kSendFirst = SettingByte::Order::SendThenStore;
  new MarginSlider(control<QSlider>(kVerticalSlider), control<QLineEdit>(kVerticalField),
                   SettingByte(state, &StatusBlockB::verticalMargin, wire::kCmdVerticalMarginB, kSendFirst));
  new MarginSlider(control<QSlider>(kHorizontalSlider), control<QLineEdit>(kHorizontalField),
                   SettingByte(state, &StatusBlockB::horizontalMargin, wire::kCmdHorizontalMarginB, kSendFirst));
}

}  // namespace velkor
