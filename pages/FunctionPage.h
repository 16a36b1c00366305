#pragma once
// What the two models' function pages share: the apply mode list with its Apply
// button, the settings file, the custom slots and the defaults. The pages differ only
// in their FunctionPage::Model.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "DeviceRecord.h"
#include "PageFrame.h"
#include "SettingsResult.h"

namespace velkor {

class CButtonST;

class FunctionPage : public PageFrame {
  Q_OBJECT

 public:
  struct Model {
    const char* endLine;
    std::span<const ControlSpec> controls;
    std::span<const ControlName> names;  // what a screen reader calls the controls

    int settingList;  // "Auto Apply" / "Manual Apply"
    int applyButton;  // shown only in Manual Apply
    int saveSettingsButton;
    int saveCustom1Button;
    int loadSettingsButton;
    int saveCustom2Button;
    int loadDefaultsButton;
    std::span<const int> inertButtons;  // skinned like the others, never shown, never acted on
    std::span<const int> groupBoxes;

    std::uint8_t DeviceRecord::*applyMode;
    void (*applySettings)(DeviceRecord&);
    void (*sendCommand)(DeviceRecord&, std::uint8_t command, std::uint8_t value);
    std::uint8_t storeCustomCommand;

    const char* settingsFile;  // relative to the working directory
    SettingsResult (*saveSettings)(const DeviceRecord&, const std::filesystem::path&);
    SettingsResult (*loadSettings)(DeviceRecord&, const std::filesystem::path&);

    // The block the apply mode chooses (held settings in Manual Apply, status in Auto
    // Apply), and the run of its bytes that Load Defaults clears.
    std::span<std::uint8_t> (*chosenBlock)(DeviceRecord&);
    std::size_t defaultsFirst;
    std::size_t defaultsEnd;
  };

 protected:
  explicit FunctionPage(const Model& model);

  void initialise() override;

 private:
  CButtonST* bindTextButton(int id);
  void settingChosen(int position);
  void showMode(std::uint8_t mode);
  void saveSettings();
  void loadSettings();
  void saveToCustom(std::uint8_t slot);
  void loadDefaults();
  // A settings file that could not be saved or loaded is the one failure the
  // operator is told about: it would otherwise pass for success.
  void tellFailure(const char* caption, const SettingsResult& result);

  const Model& model_;
  CButtonST* applyButton_ = nullptr;
};

}  // namespace velkor
