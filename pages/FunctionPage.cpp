#include "FunctionPage.h"

#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <algorithm>

#include "CButtonST.h"
#include "CMyGroupBox.h"
#include "DeviceRecord.h"

namespace velkor {

namespace {

constexpr const char* kModeItems[] = {"Auto Apply", "Manual Apply"};
constexpr int kManualApplyPosition = 1;

}  // namespace

FunctionPage::FunctionPage(const Model& model)
    : PageFrame(model.endLine, model.controls, Colours::SettingPage, model.names), model_(model) {}

void FunctionPage::initialise() {
  const std::uint8_t mode = record().*model_.applyMode;

  auto* list = control<QComboBox>(model_.settingList);
  for (const char* item : kModeItems) list->addItem(item);
  // Only the operator's choice changes the mode, not the filling below.
  connect(list, &QComboBox::activated, this, &FunctionPage::settingChosen);

  applyButton_ = bindTextButton(model_.applyButton);
  connect(applyButton_, &QPushButton::clicked, this, [this] { model_.applySettings(record()); });
  connect(bindTextButton(model_.saveSettingsButton), &QPushButton::clicked, this, &FunctionPage::saveSettings);
  connect(bindTextButton(model_.saveCustom1Button), &QPushButton::clicked, this, [this] { saveToCustom(1); });
  connect(bindTextButton(model_.loadSettingsButton), &QPushButton::clicked, this, &FunctionPage::loadSettings);
  connect(bindTextButton(model_.saveCustom2Button), &QPushButton::clicked, this, [this] { saveToCustom(2); });
  connect(bindTextButton(model_.loadDefaultsButton), &QPushButton::clicked, this, &FunctionPage::loadDefaults);
  for (int id : model_.inertButtons) bindTextButton(id);

  showMode(mode);

  for (int id : model_.groupBoxes) (new CMyGroupBox(this))->attachToControl(this, id);
}

CButtonST* FunctionPage::bindTextButton(int id) {
  auto* button = new CButtonST(this);
  button->attachToControl(this, id);
  button->useDarkColours();
  return button;
}

// The mode changes for the pages opened or used from now on; nothing is sent and the
// held settings stay as they are.
void FunctionPage::settingChosen(int position) {
  applyButton_->setVisible(position == kManualApplyPosition);
  record().*model_.applyMode = static_cast<std::uint8_t>(position);
}

void FunctionPage::saveSettings() {
  const SettingsResult result = model_.saveSettings(record(), model_.settingsFile);
  if (!result.ok()) tellFailure("Save Settings", result);
}

// The page shows the mode the file brought at once: an operator who still saw "Manual
// Apply" after loading an "Auto Apply" file would have every later change sent live.
void FunctionPage::loadSettings() {
  const SettingsResult result = model_.loadSettings(record(), model_.settingsFile);
  if (!result.ok()) {
    tellFailure("Load Settings", result);
    return;
  }
  showMode(record().*model_.applyMode);
}

void FunctionPage::showMode(std::uint8_t mode) {
  // A mode byte from a settings file may be any value. A position the list does not
  // have clears the selection, although such a mode counts as Manual Apply.
  control<QComboBox>(model_.settingList)->setCurrentIndex(mode);
  applyButton_->setVisible(mode != kAutoApply);
}

void FunctionPage::saveToCustom(std::uint8_t slot) { model_.sendCommand(record(), model_.storeCustomCommand, slot); }

// Every setting back to its first choice (or 0 %), sent at once whatever the mode.
void FunctionPage::loadDefaults() {
  const std::span<std::uint8_t> block = model_.chosenBlock(record());
  std::fill(block.begin() + model_.defaultsFirst, block.begin() + model_.defaultsEnd, 0);
  model_.applySettings(record());
}

void FunctionPage::tellFailure(const char* caption, const SettingsResult& result) {
  // Owned by the main window, not the page: the page takes Enter away from everything
  // it owns, and Enter should close the box.
  QMessageBox box(QMessageBox::Warning, caption, QString::fromStdString(result.message()), QMessageBox::Ok, window());
  // The file name is relative: say where it was looked for.
  const QString folder = QDir::currentPath();
  if (!folder.isEmpty()) box.setInformativeText("Working folder: " + QDir::toNativeSeparators(folder));
  box.exec();
}

}  // namespace velkor
