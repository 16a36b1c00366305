#include "CTQ6630_Status.h"

#include "CommandSet.h"
#include "StatusTexts.h"

namespace velkor {

namespace {

constexpr int kNameField = 1077;
constexpr int kSave = 1023;
constexpr int kFirmware = 1078;
constexpr int kInput = 1079;
constexpr int kOutput = 1080;
constexpr int kOutputSource = 1081;
constexpr int kAudioSource = 1082;

using enum ControlKind;
constexpr bool kShown = true;
constexpr bool kHidden = false;
constexpr bool kReadOnly = true;
constexpr Qt::Alignment kLeft = Qt::AlignLeft;
constexpr Qt::Alignment kRight = Qt::AlignRight;

// Template 166. Its last two rows are never shown.
constexpr ControlSpec kTemplate[] = {
    {StaticText, NoControlId, "Custom Name", 93, 16, 44, 8, kShown, kRight},
    {EditField, kNameField, "", 149, 14, 86, 12},
    {PushButton, kSave, "Save", 246, 14, 30, 13},
    {StaticText, NoControlId, "Firmware Version", 81, 36, 56, 8, kShown, kRight},
    {EditField, kFirmware, "", 149, 34, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "Input Source Format", 62, 57, 75, 8, kShown, kRight},
    {EditField, kInput, "", 149, 54, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "Output Source Format", 52, 78, 85, 8, kShown, kRight},
    {EditField, kOutput, "", 149, 76, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "SDI Output Source from", 46, 99, 91, 8, kShown, kRight},
    {EditField, kOutputSource, "", 149, 97, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, 1039, "SDI Audio Source from", 45, 120, 92, 8, kShown, kRight},
    {EditField, kAudioSource, "", 149, 119, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "HDMI Color Space", 41, 141, 96, 8, kHidden, kRight},
    {EditField, 1083, "", 149, 140, 86, 12, kHidden, kLeft, kReadOnly},
    {StaticText, NoControlId, "CVBS Output Status", 73, 162, 64, 8, kHidden, kRight},
    {EditField, 1084, "", 149, 161, 86, 12, kHidden, kLeft, kReadOnly},
};

constexpr ControlName kNames[] = {
    {kNameField, "Custom Name"},
    {kFirmware, "Firmware Version"},
    {kInput, "Input Source Format"},
    {kOutput, "Output Source Format"},
    {kOutputSource, "SDI Output Source from"},
    {kAudioSource, "SDI Audio Source from"},
};

// In the order statusTextsB gives their texts.
constexpr int kStatusFields[] = {kFirmware, kInput, kOutput, kOutputSource, kAudioSource};

const StatusPage::Model kModel{
    .endLine = "PostNcDestroy 6630 status \n",
    .controls = kTemplate,
    .names = kNames,
    .nameField = kNameField,
    .saveButton = kSave,
    .statusFields = kStatusFields,
    .statusTexts = [](const DeviceRecord& record) { return status_text::statusTextsB(record.statusB); },
    .name = &DeviceRecord::customNameB,
    .queryStatus = queryStatusB,
    .sendName = sendNameB,
    .statusReplyCode = wire::kReplyCodeStatusB,
    .modelWord = "TQ6630",
    .productName = "LKMTR-4",
    .enterLine = "my  tq6630 name  \n",
    .noNameLine = nullptr,
    .namedLine = nullptr,
    .savedLine = "send 6630 name data \n",
    .readyLine = nullptr,
};

}  // namespace

CTQ6630_Status::CTQ6630_Status() : StatusPage(kModel) {}

}  // namespace velkor
