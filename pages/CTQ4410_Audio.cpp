#include "CTQ4410_Audio.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QRadioButton>

#include "BoundList.h"
#include "CMyGroupBox.h"
#include "SettingLists.h"
#include "SkinPalette.h"
#include "TemplateRows.h"

namespace velkor {

namespace {

constexpr int kDeembeddingGroup = 1068;
constexpr int kEmbeddingGroup = 1069;
constexpr int kDeembedList = 1031;
constexpr int kHdmiAudioSourceList = 1032;
constexpr int kSpareDeembedList = 1033;
constexpr int kEmbedAesList = 1040;
constexpr int kEmbedAnalogList = 1041;
// One button per embedding source; a button's value is its id minus this.
constexpr int kFirstEmbeddingButton = 1062;
constexpr int kEmbeddingSources = static_cast<int>(lists::kEmbedSources.size());

using namespace rows;

constexpr ControlSpec kTemplate[] = {
    groupBox(kDeembeddingGroup, "Audio De-Embedding", 25, 15, 255, 61),
    rightLabel(NoControlId, "AES/EBU & Analog Audio from", 52, 44, 93, 9),
    dropDownList(kDeembedList, 155, 41, 96, 99),
    groupBox(kEmbeddingGroup, "HDMI Audio Embedding", 25, 81, 255, 87),
    rightLabel(NoControlId, lists::kEmbedSources[0], 62, 114, 52, 8),
    radioButton(kFirstEmbeddingButton, 120, 114, 8, 8),
    rightLabel(NoControlId, lists::kEmbedSources[1], 165, 114, 57, 8),
    radioButton(kFirstEmbeddingButton + 1, 225, 114, 8, 8),
    rightLabel(NoControlId, lists::kEmbedSources[2], 65, 130, 49, 8),
    radioButton(kFirstEmbeddingButton + 2, 120, 130, 8, 8),
    rightLabel(NoControlId, lists::kEmbedSources[3], 179, 130, 43, 8),
    radioButton(kFirstEmbeddingButton + 3, 225, 130, 8, 8),
    // Filled but never shown, and without action.
    hidden(dropDownList(kHdmiAudioSourceList, 215, 46, 96, 86)),
    hidden(dropDownList(kSpareDeembedList, 155, 53, 96, 91)),
    hidden(dropDownList(kEmbedAesList, 209, 67, 96, 103)),
    hidden(dropDownList(kEmbedAnalogList, 209, 87, 96, 86)),
    hidden(radioButton(1058, 40, 150, 8, 8)),
    hidden(radioButton(1059, 90, 150, 8, 8)),
    hidden(radioButton(1060, 140, 150, 8, 8)),
    hidden(radioButton(1061, 190, 150, 8, 8)),
    hidden(leftLabel("HDMI Audio Source From", 166, 25, 90, 8)),
    hidden(leftLabel("Analog Audio Out Source From", 202, 18, 100, 8)),
    hidden(leftLabel("Embedding AES/EBU To", 125, 68, 80, 8)),
    hidden(leftLabel("Embedding Analog Audio To", 111, 86, 90, 8)),
};

constexpr ControlName kNames[] = {
    {kDeembedList, "AES/EBU & Analog Audio from"},
    {kFirstEmbeddingButton, lists::kEmbedSources[0]},
    {kFirstEmbeddingButton + 1, lists::kEmbedSources[1]},
    {kFirstEmbeddingButton + 2, lists::kEmbedSources[2]},
    {kFirstEmbeddingButton + 3, lists::kEmbedSources[3]},
};

// The template's 8 x 8 box of a radio button is smaller than the style's indicator:
// grow it about its centre, so that the indicator shows whole and stays level with
// its label.
void growToShowWhole(QWidget* control) {
  QRect box(QPoint(), control->minimumSizeHint().expandedTo(control->size()));
  box.moveCenter(control->geometry().center());
  control->setGeometry(box);
}

}  // namespace

CTQ4410_Audio::CTQ4410_Audio() : PageFrame("PostNcDestroy 4410 audio \n", kTemplate, Colours::SettingPage, kNames) {}

void CTQ4410_Audio::initialise() {
  setUpGroupBoxes();
  bindList(control<QComboBox>(kDeembedList), lists::kDeembedPairs,
           SettingByte(record(), &StatusBlockA::deembedPair, wire::kCmdDeembedPairA));

  fillList(control<QComboBox>(kSpareDeembedList), lists::kDeembedPairs, 0);
  const DeviceRecord& state = record();
  fillList(control<QComboBox>(kHdmiAudioSourceList), lists::kHdmiAudioSources,
           state.manualApplyA() ? -1 : state.statusA.embedSource);
  setUpEmbeddingButtons();
  fillList(control<QComboBox>(kEmbedAesList), lists::kHdmiChannelPairs, 0);
  fillList(control<QComboBox>(kEmbedAnalogList), lists::kHdmiChannelPairs, 0);
}

void CTQ4410_Audio::setUpGroupBoxes() {
  for (int id : {kDeembeddingGroup, kEmbeddingGroup}) {
    auto* group = new CMyGroupBox(this);
    group->attachToControl(this, id);
    // The page's answer for its groups: light text, no background fill of its own. The
    // group box draws its frame and caption in its own colours regardless.
    QPalette colours = group->palette();
    colours.setColor(QPalette::WindowText, palette::ValueText);
    colours.setColor(QPalette::Window, palette::White);
    group->setPalette(colours);
  }
}

void CTQ4410_Audio::setUpEmbeddingButtons() {
  // Exclusive, yet none is checked while the stored source has no button (above 3):
  // nothing is stored or sent until the operator clicks one.
  auto* buttons = new QButtonGroup(this);
  for (int source = 0; source < kEmbeddingSources; ++source) {
    QRadioButton* button = control<QRadioButton>(kFirstEmbeddingButton + source);
    growToShowWhole(button);
    buttons->addButton(button, source);
  }

  const SettingByte embedding(record(), &StatusBlockA::embedSource, wire::kCmdEmbedSourceA);
  if (QAbstractButton* current = buttons->button(embedding.shown())) current->setChecked(true);
  // A click on the checked button stores and sends its value again.
  connect(buttons, &QButtonGroup::idClicked, this,
          [embedding](int source) { embedding.change(static_cast<std::uint8_t>(source)); });
}

}  // namespace velkor
