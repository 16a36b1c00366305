// The function pages of both models, driven as an operator drives them, against
// virtual converters. Each test runs in a working directory of its own, since that is
// where the settings files live, named in Chinese and accented Latin: the window must
// hand the settings files' code the whole path, on every system.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QTimer>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "CMyGroupBox.h"
#include "ModalCloser.h"
#include "ScratchFolder.h"

namespace velkor::test {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

// What differs between the models, as the operator and the converter see it.
struct ModelCase {
  const char* name;
  ConverterModel model;
  ConverterModel otherModel;
  int statusTab;
  int functionTab;
  int settingList;
  int apply;
  int saveSettings;
  int saveCustom1;
  int loadSettings;
  int saveCustom2;
  int loadDefaults;
  std::vector<int> textButtons;  // skinned, whether shown or not
  std::vector<int> neverShown;
  const char* file;
  std::uint8_t DeviceRecord::*mode;
  std::span<std::uint8_t> (*block)(DeviceRecord&, bool pending);
  std::vector<std::size_t> defaultFields;  // the bytes Load Defaults clears
  std::size_t settableFirst;               // the eight bytes an apply sends start here
  // Where a request shows in the frame.
  std::size_t commandAt;
  std::size_t valueAt;
  std::uint8_t storeCustom;
  std::size_t applyCodeAt;
  std::uint8_t applyCode;
  std::size_t payloadAt;
  bool modeSurvivesSelection;
};

void PrintTo(const ModelCase& model, std::ostream* out) { *out << model.name; }

template <typename Block>
std::span<std::uint8_t> bytesOf(Block& block) {
  return {blockBytes(block), sizeof(Block)};
}

constexpr std::size_t overlayItem(std::size_t index) { return offsetof(StatusBlockA, overlayItems) + index; }

const ModelCase kModelA{
    .name = "TQ4410",
    .model = ConverterModel::TQ4410,
    .otherModel = ConverterModel::TQ6630,
    .statusTab = 1016,
    .functionTab = 1020,
    .settingList = 1053,
    .apply = 1023,
    .saveSettings = 1055,
    .saveCustom1 = 1056,
    .loadSettings = 1057,
    .saveCustom2 = 1058,
    .loadDefaults = 1059,
    .textButtons = {1023, 1054, 1055, 1056, 1057, 1058, 1059, 1060},
    .neverShown = {1033, 1054, 1060},
    .file = "userSettings_tq4410.ini",
    .mode = &DeviceRecord::applyModeA,
    .block = [](DeviceRecord& r, bool pending) { return bytesOf(pending ? r.pendingA : r.statusA); },
    .defaultFields = {offsetof(StatusBlockA, outputFormat), offsetof(StatusBlockA, hdmiColorSpace),
                      offsetof(StatusBlockA, avOutputType), offsetof(StatusBlockA, deembedPair),
                      offsetof(StatusBlockA, embedSource), overlayItem(0), overlayItem(1), overlayItem(2),
                      overlayItem(3), overlayItem(4), overlayItem(5), offsetof(StatusBlockA, overlaysEnable),
                      offsetof(StatusBlockA, verticalMargin), offsetof(StatusBlockA, horizontalMargin)},
    .settableFirst = 7,
    .commandAt = 17,
    .valueAt = 18,
    .storeCustom = 'W',
    .applyCodeAt = 17,
    .applyCode = 0x5B,
    .payloadAt = 19,
    .modeSurvivesSelection = false,
};

const ModelCase kModelB{
    .name = "TQ6630",
    .model = ConverterModel::TQ6630,
    .otherModel = ConverterModel::TQ4410,
    .statusTab = 1023,
    .functionTab = 1074,
    .settingList = 1094,
    .apply = 1095,
    .saveSettings = 1096,
    .saveCustom1 = 1097,
    .loadSettings = 1098,
    .saveCustom2 = 1099,
    .loadDefaults = 1100,
    .textButtons = {1095, 1096, 1097, 1098, 1099, 1100, 1101},
    .neverShown = {1054, 1101},
    .file = "userSettings_tq6630.ini",
    .mode = &DeviceRecord::applyModeB,
    .block = [](DeviceRecord& r, bool pending) { return bytesOf(pending ? r.pendingB : r.statusB); },
    .defaultFields = {offsetof(StatusBlockB, outputFormat), offsetof(StatusBlockB, outputSource),
                      offsetof(StatusBlockB, audioSource), offsetof(StatusBlockB, overlaysEnable),
                      offsetof(StatusBlockB, verticalMargin), offsetof(StatusBlockB, horizontalMargin),
                      offsetof(StatusBlockB, mirrorImage), offsetof(StatusBlockB, screenFreeze)},
    .settableFirst = 3,
    .commandAt = 17,
    .valueAt = 21,
    .storeCustom = 0x87,
    .applyCodeAt = 21,
    .applyCode = 0x8B,
    .payloadAt = 22,
    .modeSurvivesSelection = true,
};

class FunctionPages : public AppFixture, public ::testing::WithParamInterface<ModelCase> {
 protected:
  void SetUp() override {
    scratch = makeScratchFolder("velkor-functions-");
    directory = scratch / u8"设置 Réglages";
    fs::create_directory(directory);
    previous = fs::current_path();
    fs::current_path(directory);
  }
  void TearDown() override {
    window.reset();
    fs::current_path(previous);
    fs::remove_all(scratch);
  }

  const ModelCase& m() const { return GetParam(); }
  DeviceRecord& record() { return window->record(); }
  std::uint8_t& mode() { return record().*m().mode; }
  std::span<std::uint8_t> block(bool pending) { return m().block(record(), pending); }
  VirtualConverter& converter(int k = 1) { return *transport.converters()[k - 1]; }

  // One converter of the model, chosen; its function page is not open yet.
  void openPanel() {
    addConverter(m().model, "/dev/hidraw0", "Alpha");
    openWindow();
    scan();
    choose(1);
  }
  // Builds the function page afresh, as choosing its tab does.
  void openFunctionTab() {
    QTest::mouseClick(control<CButtonST>(window->panel(), m().statusTab), Qt::LeftButton);
    QTest::mouseClick(control<CButtonST>(window->panel(), m().functionTab), Qt::LeftButton);
    converter().forgetReceived();
  }
  QWidget* page() { return window->panel()->currentPage(); }
  template <typename Widget = QWidget>
  Widget* pageControl(int id) {
    return control<Widget>(page(), id);
  }
  QComboBox* settingList() { return pageControl<QComboBox>(m().settingList); }
  bool applyShown() { return pageControl(m().apply)->isVisibleTo(page()); }
  void press(int id) { QTest::mouseClick(pageControl<CButtonST>(id), Qt::LeftButton); }

  // Chooses a list position with the keyboard, as an operator would.
  void pick(int position) {
    QComboBox* list = settingList();
    for (int step = 0; step < 2 && list->currentIndex() < position; ++step) QTest::keyClick(list, Qt::Key_Down);
    for (int step = 0; step < 2 && list->currentIndex() > position; ++step) QTest::keyClick(list, Qt::Key_Up);
    ASSERT_EQ(list->currentIndex(), position);
  }

  // Distinct non-zero bytes in both blocks, so that every change shows.
  void fillBlocks() {
    for (bool pending : {true, false}) {
      std::span<std::uint8_t> bytes = block(pending);
      for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>((pending ? 0x40 : 0x80) + i);
    }
  }
  Bytes copyOf(bool pending) {
    const std::span<std::uint8_t> bytes = block(pending);
    return {bytes.begin(), bytes.end()};
  }
  Bytes settable(const Bytes& whole) const {
    return {whole.begin() + m().settableFirst, whole.begin() + m().settableFirst + wire::kApplyPayloadLength};
  }

  const std::vector<std::vector<std::uint8_t>>& frames(int k = 1) { return converter(k).receivedFrames(); }
  // The eight bytes of an apply frame; empty when the frame is another request.
  Bytes appliedBy(const std::vector<std::uint8_t>& frame) const {
    if (frame[m().applyCodeAt] != m().applyCode) return {};
    return {frame.begin() + m().payloadAt, frame.begin() + m().payloadAt + wire::kApplyPayloadLength};
  }
  Bytes converterSettings(int k = 1) {
    const auto& settings = converter(k).state.settings;
    return {settings.begin(), settings.end()};
  }

  static void writeText(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

  // Any box a page opens is closed and remembered.
  std::optional<ModalCloser> boxes{std::in_place};
  fs::path scratch;
  fs::path directory;  // the working folder, inside scratch
  fs::path previous;
};

TEST_P(FunctionPages, OpensShowingTheApplyModeOfTheRecord) {
  openPanel();
  struct Case {
    std::uint8_t mode;
    int position;
    bool applyShown;
  };
  for (const Case c : {Case{kAutoApply, 0, false}, Case{kManualApply, 1, true}}) {
    SCOPED_TRACE(c.mode);
    mode() = c.mode;
    openFunctionTab();
    QComboBox* list = settingList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "Auto Apply");
    EXPECT_EQ(list->itemText(1), "Manual Apply");
    EXPECT_EQ(list->currentIndex(), c.position);
    EXPECT_EQ(applyShown(), c.applyShown);
    for (int id : m().textButtons) EXPECT_NE(pageControl<CButtonST>(id), nullptr) << id;
    for (int id : {1070, 1071}) EXPECT_NE(pageControl<CMyGroupBox>(id), nullptr) << id;
    for (int id : m().neverShown) EXPECT_FALSE(pageControl(id)->isVisibleTo(page())) << id;
    EXPECT_EQ(frames().size(), 0u);
  }
}

TEST_P(FunctionPages, ChoosingTheModeSendsNothingAndKeepsTheHeldSettings) {
  openPanel();
  openFunctionTab();
  fillBlocks();
  const Bytes pending = copyOf(true);
  const Bytes status = copyOf(false);

  pick(1);
  EXPECT_EQ(mode(), kManualApply);
  EXPECT_TRUE(applyShown());
  pick(0);
  EXPECT_EQ(mode(), kAutoApply);
  EXPECT_FALSE(applyShown());

  EXPECT_EQ(copyOf(true), pending);
  EXPECT_EQ(copyOf(false), status);
  EXPECT_EQ(frames().size(), 0u);
}

TEST_P(FunctionPages, ApplyAndTheCustomSlotsSendTheirRequests) {
  openPanel();
  openFunctionTab();
  fillBlocks();

  // The custom slots are stored whatever the mode.
  press(m().saveCustom1);
  pick(1);
  press(m().saveCustom2);
  ASSERT_EQ(frames().size(), 2u);
  for (std::size_t slot : {1u, 2u}) {
    const auto& frame = frames()[slot - 1];
    EXPECT_EQ(frame[m().commandAt], m().storeCustom) << slot;
    EXPECT_EQ(frame[m().valueAt], slot);
  }

  // Apply sends the held settings, not the status block.
  const Bytes held = settable(copyOf(true));
  press(m().apply);
  ASSERT_EQ(frames().size(), 3u);
  EXPECT_EQ(appliedBy(frames().back()), held);
  EXPECT_EQ(converterSettings(), held);
}

TEST_P(FunctionPages, LoadDefaultsClearsOnlyTheSettingsOfTheChosenBlock) {
  for (const bool manual : {false, true}) {
    SCOPED_TRACE(manual ? "Manual Apply" : "Auto Apply");
    window.reset();
    transport = VirtualTransport(clock);
    openPanel();
    fillBlocks();
    mode() = manual ? kManualApply : kAutoApply;
    openFunctionTab();
    // Without a reply the record shows the page's own change alone.
    converter().setFault(ConverterFault::NoReply);
    Bytes expected = copyOf(manual);
    for (std::size_t field : m().defaultFields) expected[field] = 0;
    const Bytes other = copyOf(!manual);

    press(m().loadDefaults);

    EXPECT_EQ(copyOf(manual), expected);
    EXPECT_EQ(copyOf(!manual), other);
    ASSERT_EQ(frames().size(), 1u);
    EXPECT_EQ(appliedBy(frames()[0]), Bytes(wire::kApplyPayloadLength, 0));
  }
}

TEST_P(FunctionPages, SaveThenLoadBringsTheConverterBack) {
  for (const bool manual : {false, true}) {
    SCOPED_TRACE(manual ? "Manual Apply" : "Auto Apply");
    window.reset();
    transport = VirtualTransport(clock);
    fs::remove(m().file);
    openPanel();
    mode() = manual ? kManualApply : kAutoApply;
    openFunctionTab();
    std::span<std::uint8_t> chosen = block(manual);
    for (std::size_t i = 0; i < m().defaultFields.size(); ++i) chosen[m().defaultFields[i]] = 1 + i;
    const Bytes saved = copyOf(manual);

    press(m().saveSettings);
    ASSERT_TRUE(fs::is_regular_file(m().file));
    press(m().loadDefaults);
    ASSERT_EQ(converterSettings(), Bytes(wire::kApplyPayloadLength, 0));
    press(m().loadSettings);

    EXPECT_EQ(converterSettings(), settable(saved));
    for (std::size_t field : m().defaultFields) EXPECT_EQ(block(manual)[field], saved[field]) << field;
    EXPECT_EQ(mode(), manual ? kManualApply : kAutoApply);
    EXPECT_EQ(boxes->closed(), 0);
  }
}

// After a load the page shows the mode the file set: an operator who still saw
// "Manual Apply" would have every later change sent live.
TEST_P(FunctionPages, LoadSettingsShowsTheModeTheFileSet) {
  const struct {
    const char* fileMode;
    std::uint8_t modeBefore;
    int listShows;  // -1: no item for the mode
    bool applyShown;
  } cases[] = {
      {"0", kManualApply, 0, false},
      {"1", kAutoApply, 1, true},
      {"2", kAutoApply, -1, true},
  };
  openPanel();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileMode);
    mode() = c.modeBefore;
    openFunctionTab();
    press(m().saveSettings);
    std::ifstream saved(m().file);
    std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    const std::string written = "Configuration=" + std::to_string(c.modeBefore);
    text.replace(text.find(written), written.size(), std::string("Configuration=") + c.fileMode);
    writeText(m().file, text);

    press(m().loadSettings);
    EXPECT_EQ(boxes->closed(), 0);
    EXPECT_EQ(mode(), std::stoi(c.fileMode));
    EXPECT_EQ(settingList()->currentIndex(), c.listShows);
    EXPECT_EQ(applyShown(), c.applyShown);
  }
}

TEST_P(FunctionPages, LoadWithoutAReadableFileSaysSoAndChangesNothing) {
  struct Case {
    const char* what;
    void (*make)(const fs::path& file);
    std::string text;
  };
  const std::string word = m().model == ConverterModel::TQ4410 ? "TQ4410" : "TQ6630";
  const Case cases[] = {
      {"no file", [](const fs::path&) {}, std::string("The settings file ") + m().file + " does not exist."},
      {"a directory", [](const fs::path& file) { fs::create_directory(file); },
       std::string("The settings file ") + m().file + " cannot be read: it is a directory, not a file."},
      {"an empty file", [](const fs::path& file) { std::ofstream{file}; },
       std::string("The file ") + m().file + " is no " + word + " settings file: it holds none of its settings."},
  };
  openPanel();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(m().file);
    c.make(m().file);
    fillBlocks();
    mode() = kManualApply;
    openFunctionTab();
    const Bytes pending = copyOf(true);
    const Bytes status = copyOf(false);
    const Bytes onConverter = converterSettings();
    const int shown = boxes->closed();

    press(m().loadSettings);

    EXPECT_EQ(boxes->closed(), shown + 1);
    EXPECT_EQ(boxes->lastTitle(), "Load Settings");
    EXPECT_EQ(boxes->lastText().toStdString(), c.text);
    EXPECT_EQ(boxes->lastInformativeText(),
              "Working folder: " + QDir::toNativeSeparators(QString::fromStdU16String(directory.u16string())));
    EXPECT_EQ(mode(), kManualApply);
    EXPECT_EQ(copyOf(true), pending);
    EXPECT_EQ(copyOf(false), status);
    EXPECT_EQ(frames().size(), 0u);
    EXPECT_EQ(converterSettings(), onConverter);
  }
}

TEST_P(FunctionPages, SaveThatCannotWriteSaysWhyAndLeavesWhatWasThere) {
  openPanel();
  openFunctionTab();
  fillBlocks();

  // A directory in the file's place is not replaced.
  fs::create_directory(m().file);
  writeText(fs::path(m().file) / "keep", "kept");
  press(m().saveSettings);
  EXPECT_EQ(boxes->closed(), 1);
  EXPECT_EQ(boxes->lastTitle(), "Save Settings");
  EXPECT_EQ(boxes->lastText().toStdString(), std::string("The settings could not be saved to ") + m().file +
                                                 ": it is a directory, and only a file is written.");
  ASSERT_TRUE(fs::is_directory(m().file));
  EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(m().file), {}),
            std::vector<fs::path>{fs::path(m().file) / "keep"});

#ifndef _WIN32  // Windows does not let a process's working folder be removed.
  // A working folder that has gone away leaves nowhere to write.
  fs::remove_all(directory);
  press(m().saveSettings);
  EXPECT_EQ(boxes->closed(), 2);
  EXPECT_EQ(boxes->lastText().toStdString(),
            std::string("The settings could not be saved to ") + m().file + ": the folder . does not exist.");
#endif

  EXPECT_EQ(frames().size(), 0u);
}

TEST_P(FunctionPages, EnterClosesTheFailureBox) {
  openPanel();
  openFunctionTab();
  boxes.reset();
  bool closedByEnter = false;
  QTimer enter;
  QObject::connect(&enter, &QTimer::timeout, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr) return;
    QTest::keyClick(box, Qt::Key_Return);
    closedByEnter = !box->isVisible();
    box->close();
  });
  enter.start(10);

  press(m().loadSettings);
  EXPECT_TRUE(closedByEnter);
}

TEST_P(FunctionPages, ChoosingAnotherConverterKeepsOrResetsTheMode) {
  addConverter(m().model, "/dev/hidraw0", "Alpha");
  addConverter(m().otherModel, "/dev/hidraw1", "Bravo");
  addConverter(m().model, "/dev/hidraw2", "Charlie");
  openWindow();
  scan();
  choose(1);
  openFunctionTab();
  pick(1);
  fillBlocks();
  const Bytes held = copyOf(true);

  choose(2);
  choose(3);
  openFunctionTab();
  converter(3).forgetReceived();

  if (m().modeSurvivesSelection) {
    EXPECT_EQ(settingList()->currentIndex(), 1);
    EXPECT_TRUE(applyShown());
    EXPECT_EQ(copyOf(true), held);
    press(m().apply);
    ASSERT_EQ(frames(3).size(), 1u);
    EXPECT_EQ(appliedBy(frames(3)[0]), settable(held));
  } else {
    EXPECT_EQ(settingList()->currentIndex(), 0);
    EXPECT_FALSE(applyShown());
    EXPECT_NE(copyOf(true), held);
  }
}

INSTANTIATE_TEST_SUITE_P(BothModels, FunctionPages, ::testing::Values(kModelA, kModelB),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velkor::test
