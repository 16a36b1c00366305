#include <gtest/gtest.h>

#include <cstring>

#include "ConverterFixture.h"

namespace velkor::test {
namespace {

using Settings = VirtualConverter::Settings;

class ModelACommands : public ConverterFixture {
 protected:
  void SetUp() override {
    converter = &addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Edit bay");
    converter->state.firmwareHigh = 2;
    converter->state.firmwareLow = 7;
    converter->state.inputFormat = 9;
    converter->state.settings = {1, 2, 3, 0, 1, 2, 40, 60};
    scanAndSelect();
    log.clear();
  }
  VirtualConverter* converter = nullptr;
};

class ModelBCommands : public ConverterFixture {
 protected:
  void SetUp() override {
    converter = &addConverter(ConverterModel::TQ6630, "/dev/hidraw1", "Stage");
    converter->state.inputFormat = 4;
    converter->state.settings = {6, 1, 2, 1, 30, 70, 1, 0};
    scanAndSelect();
    log.clear();
  }
  VirtualConverter* converter = nullptr;
};

TEST_F(ModelACommands, QueryFillsStatusNameAndHeldSettingsInAutoApply) {
  record.customNameA = u"stale";
  queryStatusA(record);
  const auto frames = takeFrames(*converter);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frameBytes(frames[0], 17, 2), (std::vector<std::uint8_t>{0x50, 0x00}));
  EXPECT_EQ(record.statusA.firmwareHigh, 2);
  EXPECT_EQ(record.statusA.firmwareLow, 7);
  EXPECT_EQ(record.statusA.inputFormat, 9);
  EXPECT_EQ(settableRun(record.statusA), converter->state.settings);
  EXPECT_EQ(record.customNameA, u"Edit bay");
  EXPECT_EQ(0, std::memcmp(&record.pendingA, &record.statusA, sizeof(StatusBlockA)));
  EXPECT_EQ(log.text(),
            "get index = 0 \nsend ret = 0 \nCapabilities.InputReportByteLength = 256\t \nrecv data a5 6c \n"
            "the cmd is 0x50\n4410 2 7 9 1 2 3 0 1 2 28 3c \n1\nchar len is 8 \nrecv ret = 0 \n");
}

TEST_F(ModelACommands, QueryInManualApplyKeepsHeldSettings) {
  record.applyModeA = kManualApply;
  record.pendingA.outputFormat = 5;
  converter->setFault(ConverterFault::NoReply);
  record.statusA.outputFormat = 3;
  queryStatusA(record);
  EXPECT_EQ(record.pendingA.outputFormat, 5);
  const StatusBlockA zero{};
  EXPECT_EQ(0, std::memcmp(&record.statusA, &zero, sizeof zero)) << "no answer leaves the status cleared";
  EXPECT_EQ(record.customNameA, u"");
}

// Each one-value request: the frame it sends and the converter byte it changes.
struct OneValue {
  std::uint8_t command;
  std::size_t runIndex;  // position in the settable run, or 8 for an overlay item
  std::size_t item;
};

TEST_F(ModelACommands, OneValueRequestsSetTheirByte) {
  const OneValue cases[] = {{'Q', 0, 0}, {'R', 1, 0}, {'S', 2, 0},  {'T', 3, 0},  {'U', 4, 0},
                            {'V', 5, 0}, {'X', 6, 0}, {'Y', 7, 0},  {'\\', 8, 0}, {']', 8, 1},
                            {'^', 8, 2}, {'_', 8, 3}, {0x60, 8, 4}, {'a', 8, 5}};
  for (const OneValue& c : cases) {
    const std::uint8_t value = c.runIndex == 8 ? 1 : 77;
    if (c.command == 'X')
      sendCommandX(record, value);
    else
      sendCommandA(record, c.command, value);
    const auto frames = takeFrames(*converter);
    ASSERT_EQ(frames.size(), 1u) << c.command;
    EXPECT_EQ(frameBytes(frames[0], 17, 3), (std::vector<std::uint8_t>{c.command, value, 0})) << c.command;
    if (c.runIndex < 8)
      EXPECT_EQ(converter->state.settings[c.runIndex], value) << c.command;
    else
      EXPECT_EQ(converter->state.overlayItems[c.item], value) << c.command;
  }
  // The status replies to these requests update the status block but not the held one.
  EXPECT_EQ(record.statusA.verticalMargin, 77);
  EXPECT_EQ(record.pendingA.verticalMargin, 0);
}

TEST_F(ModelACommands, LogsValuesAsSignedAndVerticalMarginWithoutIndexLine) {
  sendCommandA(record, 'Q', 200);
  EXPECT_TRUE(log.text().starts_with("get index = -56 \n")) << log.text();
  EXPECT_EQ(takeFrames(*converter)[0][18], 0xC8);
  log.clear();
  sendCommandX(record, 50);
  EXPECT_TRUE(log.text().starts_with("send ret = 0 \n")) << log.text();
}

TEST_F(ModelACommands, ApplySendsTheBlockChosenByApplyMode) {
  record.statusA.outputFormat = 4;
  record.statusA.horizontalMargin = 90;
  record.pendingA.outputFormat = 8;
  record.pendingA.overlayItems[0] = 1;
  applySettingsA(record);
  auto frames = takeFrames(*converter);
  EXPECT_EQ(frameBytes(frames[0], 17, 11), (std::vector<std::uint8_t>{0x5B, 8, 4, 0, 0, 0, 0, 0, 0, 90, 0}));
  EXPECT_EQ(converter->state.settings, (Settings{4, 0, 0, 0, 0, 0, 0, 90}));

  record.applyModeA = 7;  // any value but 0 is manual
  applySettingsA(record);
  frames = takeFrames(*converter);
  EXPECT_EQ(frameBytes(frames[0], 17, 11), (std::vector<std::uint8_t>{0x5B, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(record.applyPayloadA, (std::array<std::uint8_t, 8>{8, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ModelACommands, NameWritesAndCustomSlots) {
  record.customNameA = u"";
  sendNameA(record);
  auto frames = takeFrames(*converter);
  EXPECT_EQ(frameBytes(frames[0], 17, 3), (std::vector<std::uint8_t>{0x5A, 1, 0}));
  EXPECT_EQ(converter->state.name, "");
  EXPECT_TRUE(log.contains(" 0 0 0 0  \n"));

  log.clear();
  record.customNameA = u"\u00E9t\u00E9 \u4E2D";  // beyond Latin-1 becomes '?'
  sendNameA(record);
  EXPECT_EQ(converter->state.name, "\xE9t\xE9 ?");
  EXPECT_TRUE(log.contains(" ffffffe9 74 ffffffe9 20  \n")) << log.text();
  EXPECT_EQ(record.customNameA, u"\u00E9t\u00E9 ?") << "the reply's name replaces, never appends";

  sendCommandA(record, 'W', 2);
  EXPECT_EQ(converter->state.customSlots[1].settings, converter->state.settings);
}

TEST_F(ModelACommands, LongNamesKeepTheir127FirstBytes) {
  record.customNameA = std::u16string(200, u'n');
  sendNameA(record);
  const auto frame = takeFrames(*converter)[0];
  EXPECT_EQ(frame[18], 128);
  EXPECT_EQ(frame[19 + 126], 'n');
  EXPECT_EQ(frame[19 + 127], 0);
  EXPECT_EQ(converter->state.name, std::string(127, 'n'));
}

TEST_F(ModelACommands, ANameEndsAtItsFirstZeroCharacter) {
  record.customNameA = std::u16string(u"ab\0cd", 5);
  sendNameA(record);
  const auto frame = takeFrames(*converter)[0];
  EXPECT_EQ(frameBytes(frame, 18, 4), (std::vector<std::uint8_t>{3, 'a', 'b', 0}));
}

TEST_F(ModelACommands, ConverterNotAtControlsPcAnswersButKeepsItsState) {
  converter->state.controlsPc = false;
  sendCommandA(record, 'Q', 9);
  EXPECT_EQ(converter->state.settings[0], 1);
  EXPECT_EQ(record.statusA.outputFormat, 1) << "its reply still reports the old value";
}

TEST_F(ModelBCommands, QueryCrossesFormatsAndFollowsInAutoApply) {
  queryStatusB(record);
  EXPECT_EQ(frameBytes(takeFrames(*converter)[0], 17, 5), (std::vector<std::uint8_t>{0x80, 0xC9, 0xF0, 0x80, 0}));
  EXPECT_EQ(record.statusB.inputFormat, 4);
  EXPECT_EQ(record.statusB.outputFormat, 6);
  EXPECT_EQ(settableRun(record.statusB), converter->state.settings);
  EXPECT_EQ(record.customNameB, u"Stage");
  EXPECT_EQ(settableRun(record.pendingB), converter->state.settings);

  record.applyModeB = kManualApply;
  record.pendingB = {};
  queryStatusB(record);
  EXPECT_EQ(record.pendingB.outputFormat, 0);
}

TEST_F(ModelBCommands, OneValueRequestsSetTheirByte) {
  const std::pair<std::uint8_t, std::size_t> cases[] = {{0x81, 0}, {0x82, 1}, {0x83, 2}, {0x84, 3},
                                                        {0x85, 4}, {0x86, 5}, {0x88, 6}, {0x89, 7}};
  for (const auto& [command, runIndex] : cases) {
    sendCommandB(record, command, 50);
    const auto frames = takeFrames(*converter);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frameBytes(frames[0], 17, 6), (std::vector<std::uint8_t>{command, 0xC9, 0xF0, command, 50, 0}));
    EXPECT_EQ(converter->state.settings[runIndex], 50) << int(command);
  }
  sendCommandB(record, 0x87, 1);
  EXPECT_EQ(converter->state.customSlots[0].settings, converter->state.settings);
}

TEST_F(ModelBCommands, NameAndApplyUseTheExtendedFrame) {
  record.customNameB = u"abc";
  sendNameB(record);
  EXPECT_EQ(frameBytes(takeFrames(*converter)[0], 17, 10),
            (std::vector<std::uint8_t>{0x8A, 0xF9, 0x08, 0x09, 0x8A, 'a', 'b', 'c', 0, 0}));
  EXPECT_EQ(converter->state.name, "abc");

  record.applyModeB = kManualApply;
  record.pendingB.outputFormat = 3;
  record.pendingB.screenFreeze = 1;
  record.statusB.outputFormat = 9;
  applySettingsB(record);
  EXPECT_EQ(frameBytes(takeFrames(*converter)[0], 17, 14),
            (std::vector<std::uint8_t>{0x8A, 0xF9, 12, 0x09, 0x8B, 3, 0, 0, 0, 0, 0, 0, 1, 0}));
  EXPECT_EQ(converter->state.settings, (Settings{3, 0, 0, 0, 0, 0, 0, 1}));
}

TEST_F(ConverterFixture, NothingIsSentBeforeADeviceIsChosen) {
  VirtualConverter& c = addConverter(ConverterModel::TQ4410, "/dev/hidraw0");
  record.statusA.outputFormat = 3;
  record.customNameA = u"x";
  queryStatusA(record);
  EXPECT_TRUE(c.receivedFrames().empty());
  EXPECT_EQ(record.statusA.outputFormat, 0);
  EXPECT_EQ(record.customNameA, u"");
  EXPECT_EQ(log.text(), "get index = 0 \nthe handle is null\n");
}

}  // namespace
}  // namespace velkor::test
