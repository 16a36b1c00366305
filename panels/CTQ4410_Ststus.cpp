#include "CTQ4410_Ststus.h"

#include "CommandSet.h"
#include "StatusTexts.h"

namespace velkor {

namespace {

constexpr int kNameField = 1022;
constexpr int kSave = 1116;
constexpr int kFirmware = 1034;
constexpr int kSdiInput = 1035;
constexpr int kHdmiOutput = 1036;
constexpr int kDeembedding = 1037;
constexpr int kEmbedding = 1038;
constexpr int kColorSpace = 1056;
constexpr int kAvOutput = 1057;

using enum ControlKind;
constexpr bool kShown = true;
constexpr bool kReadOnly = true;
constexpr Qt::Alignment kLeft = Qt::AlignLeft;
constexpr Qt::Alignment kRight = Qt::AlignRight;

// Template 154.
constexpr ControlSpec kTemplate[] = {
    {StaticText, NoControlId, "Custom Name", 93, 14, 44, 8, kShown, kRight},
    {EditField, kNameField, "", 149, 12, 86, 12},
    {PushButton, kSave, "Save", 244, 12, 30, 13},
    {StaticText, NoControlId, "Firmware Version", 81, 34, 56, 8, kShown, kRight},
    {EditField, kFirmware, "", 149, 32, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "SDI Input Status", 84, 55, 53, 8, kShown, kRight},
    {EditField, kSdiInput, "", 149, 52, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "HDMI Output Status", 72, 76, 65, 8, kShown, kRight},
    {EditField, kHdmiOutput, "", 149, 72, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "AV Output Status", 44, 95, 93, 8, kShown, kRight},
    {EditField, kAvOutput, "", 149, 92, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "Audio De-Embedding Status", 46, 114, 91, 8, kShown, kRight},
    {EditField, kDeembedding, "", 149, 112, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, 1039, "HDMI Audio Embedding Status", 39, 135, 98, 8, kShown, kRight},
    {EditField, kEmbedding, "", 149, 132, 86, 12, kShown, kLeft, kReadOnly},
    {StaticText, NoControlId, "HDMI Color Space", 79, 156, 58, 8, kShown, kRight},
    {EditField, kColorSpace, "", 149, 152, 86, 12, kShown, kLeft, kReadOnly},
};

constexpr ControlName kNames[] = {
    {kNameField, "Custom Name"},
    {kFirmware, "Firmware Version"},
    {kSdiInput, "SDI Input Status"},
    {kHdmiOutput, "HDMI Output Status"},
    {kAvOutput, "AV Output Status"},
    {kDeembedding, "Audio De-Embedding Status"},
    {kEmbedding, "HDMI Audio Embedding Status"},
    {kColorSpace, "HDMI Color Space"},
};

// In the order statusTextsA gives their texts.
constexpr int kStatusFields[] = {kFirmware, kSdiInput, kHdmiOutput, kDeembedding, kEmbedding, kColorSpace, kAvOutput};

const StatusPage::Model kModel{
    .endLine = "PostNcDestroy 4410 status \n",
    .controls = kTemplate,
    .names = kNames,
    .nameField = kNameField,
    .saveButton = kSave,
    .statusFields = kStatusFields,
    .statusTexts = [](const DeviceRecord& record) { return status_text::statusTextsA(record.statusA); },
    .name = &DeviceRecord::customNameA,
    .queryStatus = queryStatusA,
    .sendName = sendNameA,
    .statusReplyCode = wire::kReplyCodeStatusA,
    .modelWord = "TQ4410",
    .productName = "KLMTR-4",
    .enterLine = "  my tq4410 name  \n",
    .noNameLine = "normal \n",
    .namedLine = "real name \n",
    .savedLine = nullptr,
    .readyLine = "4410 init over \n",
};

}  // namespace

CTQ4410_Ststus::CTQ4410_Ststus() : StatusPage(kModel) {}

}  // namespace velkor
