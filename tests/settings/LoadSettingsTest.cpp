#include "SettingsFixture.h"

namespace velkor::test {
namespace {

using Settings = VirtualConverter::Settings;
using LoadSettings = SettingsFixture;

// The eight bytes of the one model A apply frame the converter took.
Settings appliedRunA(const std::vector<std::vector<std::uint8_t>>& frames) {
  Settings run{};
  EXPECT_EQ(frames.size(), 1u);
  if (frames.size() == 1) std::copy_n(frames[0].begin() + 19, run.size(), run.begin());
  return run;
}

TEST_F(LoadSettings, WhatOneConverterSavedReachesTheNext) {
  const struct {
    ConverterModel model;
    void (*query)(DeviceRecord&);
    SettingsResult (*save)(const DeviceRecord&, const fs::path&);
    SettingsResult (*load)(DeviceRecord&, const fs::path&);
    const char* file;
    Settings settings;
  } cases[] = {
      {ConverterModel::TQ4410,
       queryStatusA,
       saveSettingsA,
       loadSettingsA,
       kSettingsFileTQ4410,
       {3, 1, 2, 0, 1, 2, 45, 55}},
      {ConverterModel::TQ6630,
       queryStatusB,
       saveSettingsB,
       loadSettingsB,
       kSettingsFileTQ6630,
       {9, 1, 3, 1, 20, 80, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    VirtualConverter& first = addConverter(c.model, std::string("/dev/hidraw-first-") + c.file);
    VirtualConverter& second = addConverter(c.model, std::string("/dev/hidraw-second-") + c.file);
    first.state.settings = c.settings;
    scanAndSelect(static_cast<int>(transport.converters().size()) - 1);
    c.query(record);
    ASSERT_TRUE(c.save(record, c.file).ok());

    record = DeviceRecord{};
    scanAndSelect(static_cast<int>(transport.converters().size()));
    ASSERT_TRUE(c.load(record, c.file).ok());
    EXPECT_EQ(takeFrames(second).size(), 1u);
    EXPECT_EQ(second.state.settings, c.settings);
  }
}

TEST_F(LoadSettings, ReadsAFileWrittenOnWindows) {
  writeText("userSettings_tq4410.ini",
            "[page_scale/output]\r\n"
            "  output format =  \"5\"  \r\n"
            "HDMI OUTPUT TYPE='2'\r\n"
            "CVBS Output Type = 1\r\n"
            "CVBS Output Type = 3\r\n"
            "\r\n"
            "[Page_Audio]\r\n"
            "Audio De-Embedding=\"3'\r\n"
            "Audio Embedding=\" 4\"\r\n"
            "[PAGE_OVERLAYS]\r\n"
            "Input Format=1\r\n"
            "Analog De-Embedding=1\r\n"
            "Overlays Enable=2\r\n"
            "Virtical Margin=55\r\n"
            "[Page_Overlays]\r\n"
            "Virtical Margin=77\r\n"
            "Horiznoal Margin=33\r\n"
            "[Page_Func]\r\n"
            "Configuration=1\r\n");
  // Every field the file leaves out reads as 0.
  std::fill_n(blockBytes(record.statusA), sizeof(StatusBlockA), 99);
  record.statusA.firmwareHigh = 2;
  record.pendingA.outputFormat = 7;

  ASSERT_TRUE(loadSettingsA(record).ok());
  const StatusBlockA& s = record.statusA;
  EXPECT_EQ(s.outputFormat, 5);
  EXPECT_EQ(s.hdmiColorSpace, 2);
  EXPECT_EQ(s.avOutputType, 1) << "the first of two copies counts";
  EXPECT_EQ(s.deembedPair, 0) << "quotes that do not match stay, so no number";
  EXPECT_EQ(s.embedSource, 4);
  EXPECT_EQ(std::vector<int>(s.overlayItems, s.overlayItems + 6), (std::vector<int>{1, 0, 0, 0, 0, 1}));
  EXPECT_EQ(s.overlaysEnable, 2);
  EXPECT_EQ(s.verticalMargin, 55) << "the first of two sections counts";
  EXPECT_EQ(s.horizontalMargin, 0) << "Windows reads the first copy of a section only";
  EXPECT_EQ(s.firmwareHigh, 2) << "not a settings field";
  EXPECT_EQ(s.spare21, 99);
  EXPECT_EQ(record.applyModeA, 1);
  EXPECT_EQ(record.pendingA.outputFormat, 7);
}

TEST_F(LoadSettings, BadValuesKeepTheirLowByte) {
  writeText("userSettings_tq6630.ini",
            "[Page_Scale/Output]\n"
            "Output Format=-1\n"
            "Output Source From=300\n"
            "Audio Source From=abc\n"
            "[Page_Overlays]\n"
            "Overlays Enable=2 (delayed)\n"
            "Virtical Margin=12345678\n"
            "Horiznoal Margin=+40\n"
            "Mirror Image=\n"
            "[Page_Func]\n"
            "Configuration=0x1\n");
  record.statusB.screenFreeze = 1;
  ASSERT_TRUE(loadSettingsB(record).ok());
  EXPECT_EQ(settableRun(record.statusB), (Settings{255, 44, 0, 2, 135, 40, 0, 0}));
  EXPECT_EQ(record.applyModeB, 0);
}

// The file's items go to the block of the mode at the press; the apply that follows
// sends the block of the file's mode.
TEST_F(LoadSettings, TheFilesModeTakesOverAfterItsItemsAreStored) {
  VirtualConverter& converter = addConverter(ConverterModel::TQ4410, "/dev/hidraw0");
  scanAndSelect();
  const Settings statusRun{1, 1, 1, 1, 1, 1, 1, 1};
  const Settings pendingRun{2, 2, 2, 2, 2, 2, 2, 2};
  const struct {
    std::uint8_t modeAtPress;
    const char* fileMode;
    std::uint8_t modeAfter;
    bool fillsPending;
    const Settings& sent;
  } cases[] = {
      {kAutoApply, "1", 1, false, pendingRun},
      {kManualApply, "0", 0, true, statusRun},
      {kAutoApply, "2", 2, false, pendingRun},  // not a choice of the page, still Manual Apply
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileMode);
    writeText("userSettings_tq4410.ini",
              "[Page_Scale/Output]\nOutput Format=9\n[Page_Overlays]\nInput Format=1\nAnalog De-Embedding=1\n"
              "[Page_Func]\nConfiguration=" +
                  std::string(c.fileMode) + "\n");
    record.applyModeA = c.modeAtPress;
    record.statusA = {};
    record.pendingA = {};
    std::copy(statusRun.begin(), statusRun.end(), blockBytes(record.statusA) + StatusBlockA::kSettableFirst);
    std::copy(pendingRun.begin(), pendingRun.end(), blockBytes(record.pendingA) + StatusBlockA::kSettableFirst);

    ASSERT_TRUE(loadSettingsA(record).ok());
    EXPECT_EQ(record.applyModeA, c.modeAfter);
    EXPECT_EQ(appliedRunA(takeFrames(converter)), c.sent);
    // The overlay item flags are not sent nor reported, so they show where the file went.
    const StatusBlockA& filled = c.fillsPending ? record.pendingA : record.statusA;
    const StatusBlockA& other = c.fillsPending ? record.statusA : record.pendingA;
    EXPECT_EQ(filled.overlayItems[0], 1);
    EXPECT_EQ(filled.overlayItems[5], 1);
    EXPECT_EQ(other.overlayItems[0], 0);
    if (c.fillsPending) {
      EXPECT_EQ(record.pendingA.outputFormat, 9);
    }
  }
}

// Reading is the load without its apply; it names what the file lacks, and refuses the
// other model's file, which would otherwise read as zeros where the models differ.
TEST_F(LoadSettings, ReadingSendsNothingAndNamesWhatTheFileLacks) {
  VirtualConverter& converter = addConverter(ConverterModel::TQ6630, "/dev/hidraw0");
  scanAndSelect();
  record.statusB.outputFormat = 6;
  ASSERT_TRUE(saveSettingsB(record, "show.ini").ok());
  record.statusB = {};

  const SettingsRead asB = readSettingsB(record, "show.ini");
  ASSERT_TRUE(asB.result.ok());
  EXPECT_TRUE(asB.missing.empty());
  EXPECT_EQ(record.statusB.outputFormat, 6);

  DeviceRecord before;
  copySettings(before, record);
  const SettingsRead asA = readSettingsA(record, "show.ini");
  EXPECT_EQ(asA.result.outcome, SettingsOutcome::NotSettingsFile);
  EXPECT_EQ(asA.result.message(), "The file show.ini is no TQ4410 settings file: it is a TQ6630 settings file.");
  EXPECT_TRUE(sameSettings(record, before));

  writeText("part.ini", "[Page_Scale/Output]\nOutput Format=3\n[Page_Overlays]\nVirtical Margin=9\n");
  const SettingsRead part = readSettingsA(record, "part.ini");
  ASSERT_TRUE(part.result.ok());
  std::vector<std::string> missing;
  for (const SettingsItem* item : part.missing) missing.push_back(std::string(item->section) + "/" + item->key);
  EXPECT_EQ(missing,
            (std::vector<std::string>{"Page_Scale/Output/HDMI Output Type", "Page_Scale/Output/CVBS Output Type",
                                      "Page_Audio/Audio De-Embedding", "Page_Audio/Audio Embedding",
                                      "Page_Overlays/Input Format", "Page_Overlays/Output Format",
                                      "Page_Overlays/AES/EBU Embedding", "Page_Overlays/AES/EBU De-Embedding",
                                      "Page_Overlays/Analog Embedding", "Page_Overlays/Analog De-Embedding",
                                      "Page_Overlays/Overlays Enable", "Page_Overlays/Horiznoal Margin"}));
  EXPECT_TRUE(converter.receivedFrames().empty());
  EXPECT_EQ(readSettingsA(record, "absent.ini").result.outcome, SettingsOutcome::FileNotFound);
}

TEST_F(LoadSettings, AMissingOrUnreadableFileChangesAndSendsNothing) {
  VirtualConverter& converter = addConverter(ConverterModel::TQ6630, "/dev/hidraw0");
  scanAndSelect();
  record.applyModeA = kManualApply;
  record.applyModeB = kManualApply;
  record.pendingA.outputFormat = 4;
  record.statusB.outputFormat = 5;
  record.pendingB.verticalMargin = 60;
  DeviceRecord before;
  copySettings(before, record);
  log.clear();

  fs::create_directory("userSettings_tq6630.ini");
  const struct {
    SettingsResult (*load)(DeviceRecord&, const fs::path&);
    fs::path file;
    SettingsOutcome outcome;
    std::string message;
  } cases[] = {
      {loadSettingsA, kSettingsFileTQ4410, SettingsOutcome::FileNotFound,
       "The settings file userSettings_tq4410.ini does not exist."},
      {loadSettingsB, "elsewhere/userSettings_tq6630.ini", SettingsOutcome::FileNotFound,
       "The settings file elsewhere/userSettings_tq6630.ini does not exist."},
      {loadSettingsB, kSettingsFileTQ6630, SettingsOutcome::CannotRead,
       "The settings file userSettings_tq6630.ini cannot be read: it is a directory, not a file."},
  };
  for (const auto& c : cases) {
    const SettingsResult result = c.load(record, c.file);
    EXPECT_EQ(result.outcome, c.outcome) << c.file;
    EXPECT_EQ(result.message(), c.message);
  }
  EXPECT_TRUE(sameSettings(record, before));
  EXPECT_TRUE(converter.receivedFrames().empty());
  EXPECT_EQ(log.text(), "");
}

}  // namespace
}  // namespace velkor::test
