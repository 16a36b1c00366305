#include "CTQ6630_Output.h"

#include <QComboBox>

#include "BoundList.h"
#include "SettingLists.h"
#include "TemplateRows.h"

namespace velkor {

namespace {

constexpr int kOutputFormatList = 1085;
constexpr int kOutputSourceList = 1086;
constexpr int kAudioSourceList = 1087;
constexpr int kNoSignalColourList = 1088;

using namespace rows;

constexpr ControlSpec kTemplate[] = {
    rightLabel(1025, "Output Format", 94, 16, 48, 8),
    dropDownList(kOutputFormatList, 153, 14, 98, 100),
    rightLabel(1026, "SDI Output Source from", 64, 44, 78, 8),
    dropDownList(kOutputSourceList, 153, 41, 98, 89),
    rightLabel(1028, "SDI Audio Source from", 69, 71, 73, 8),
    dropDownList(kAudioSourceList, 153, 68, 98, 72),
    // The converter takes no request for a no-signal colour: the list stays hidden.
    hidden(rightLabel(NoControlId, "No Singal Background Color", 54, 97, 88, 8)),
    hidden(dropDownList(kNoSignalColourList, 153, 95, 98, 108)),
};

constexpr ControlName kNames[] = {
    {kOutputFormatList, "Output Format"},
    {kOutputSourceList, "SDI Output Source from"},
    {kAudioSourceList, "SDI Audio Source from"},
};

// This model's page sends before it stores, so the record ends up holding the
// operator's choice whatever the converter's reply carried.
constexpr auto kSendFirst = SettingByte::Order::SendThenStore;

SettingByte outputSource(DeviceRecord& record) {
  return SettingByte(record, &StatusBlockB::outputSource, wire::kCmdOutputSourceB, kSendFirst);
}

SettingByte audioSource(DeviceRecord& record) {
  return SettingByte(record, &StatusBlockB::audioSource, wire::kCmdAudioSourceB, kSendFirst);
}

}  // namespace

CTQ6630_Output::CTQ6630_Output() : PageFrame("PostNcDestroy 6630 output \n", kTemplate, Colours::SettingPage, kNames) {}

void CTQ6630_Output::initialise() {
  bindList(control<QComboBox>(kOutputFormatList), lists::kOutputFormatsB,
           SettingByte(record(), &StatusBlockB::outputFormat, wire::kCmdOutputFormatB, kSendFirst));
  bindList(control<QComboBox>(kOutputSourceList), lists::kSdiOutputSources, outputSource(record()),
           [this] { showAudioSources(); });

  audioSourceList_ = control<QComboBox>(kAudioSourceList);
  showAudioSources();
  commitPicks(audioSourceList_, audioSource(record()));

  fillList(control<QComboBox>(kNoSignalColourList), lists::kColours, 0);
}

void CTQ6630_Output::showAudioSources() {
  fillList(audioSourceList_, lists::sdiAudioSources(outputSource(record()).shown()), audioSource(record()).shown());
}

}  // namespace velkor
