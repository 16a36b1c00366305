#include "CTQ4410_Output.h"

#include <QComboBox>

#include "BoundList.h"
#include "SettingLists.h"
#include "TemplateRows.h"

namespace velkor {

namespace {

constexpr int kOutputFormatList = 1024;
constexpr int kColorSpaceList = 1027;
constexpr int kAvOutputTypeList = 1029;
constexpr int kNoSignalColourList = 1033;

using namespace rows;

constexpr ControlSpec kTemplate[] = {
    rightLabel(1025, "Output Format", 94, 16, 48, 8),
    dropDownList(kOutputFormatList, 153, 14, 98, 100),
    rightLabel(1026, "HDMI Color Space", 84, 43, 58, 8),
    dropDownList(kColorSpaceList, 153, 41, 98, 89),
    rightLabel(1028, "AV Output Type", 90, 71, 52, 8),
    dropDownList(kAvOutputTypeList, 153, 68, 98, 72),
    // The converter takes no request for a no-signal colour: the list stays hidden.
    hidden(rightLabel(NoControlId, "No Singal Background Color", 54, 97, 88, 8)),
    hidden(dropDownList(kNoSignalColourList, 153, 95, 98, 108)),
};

constexpr ControlName kNames[] = {
    {kOutputFormatList, "Output Format"},
    {kColorSpaceList, "HDMI Color Space"},
    {kAvOutputTypeList, "AV Output Type"},
};

constexpr ListRow<StatusBlockA> kLists[] = {
    {kOutputFormatList, lists::kOutputFormatsA, &StatusBlockA::outputFormat, wire::kCmdOutputFormatA},
    {kColorSpaceList, lists::kHdmiColorSpaces, &StatusBlockA::hdmiColorSpace, wire::kCmdHdmiColorSpaceA},
    {kAvOutputTypeList, lists::kAvOutputTypes, &StatusBlockA::avOutputType, wire::kCmdAvOutputTypeA},
};

}  // namespace

CTQ4410_Output::CTQ4410_Output() : PageFrame("PostNcDestroy 4410 output \n", kTemplate, Colours::SettingPage, kNames) {}

void CTQ4410_Output::initialise() {
  for (const auto& row : kLists) bindList(control<QComboBox>(row.id), row.items, row.setting(record()));
  fillList(control<QComboBox>(kNoSignalColourList), lists::kColours, 0);
}

}  // namespace velkor
