#include <gtest/gtest.h>

#include "ConverterFixture.h"
#include "Exchange.h"
#include "ExchangeTurn.h"

namespace velkor::test {
namespace {

using std::chrono::milliseconds;

class Exchange : public ConverterFixture {
 protected:
  void SetUp() override {
    converter = &addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Cam");
    converter->state.firmwareHigh = 3;
    scanAndSelect();
    log.clear();
  }
  VirtualConverter* converter = nullptr;
};

TEST_F(Exchange, NoReplyEndsAfterTheReadLimitWithRecordCleared) {
  converter->setFault(ConverterFault::NoReply);
  record.replyBuffer.fill(0x77);
  const auto start = clock.now();
  queryStatusA(record);
  EXPECT_EQ(elapsedSince(start), milliseconds(500));
  EXPECT_EQ(log.text(), "get index = 0 \nsend ret = 0 \nrecv ret = -3 \n");
  EXPECT_EQ(record.statusA.firmwareHigh, 0);
  EXPECT_EQ(record.replyBuffer, decltype(record.replyBuffer){});
}

TEST_F(Exchange, StalledWriteIsNotFollowedByARead) {
  converter->setFault(ConverterFault::StalledWrite);
  const auto start = clock.now();
  sendCommandA(record, 'Q', 1);
  EXPECT_EQ(elapsedSince(start), milliseconds(500));
  EXPECT_EQ(log.text(), "get index = 1 \nsend ret = -3 \n");
  EXPECT_TRUE(converter->receivedFrames().empty());
}

TEST_F(Exchange, ALateReplyIsDroppedBeforeTheNextRequest) {
  converter->setFault(ConverterFault::DelayedReply);
  converter->replyDelay = milliseconds(700);
  converter->state.name = "first";
  queryStatusA(record);
  EXPECT_TRUE(log.contains("recv ret = -3 \n"));
  EXPECT_EQ(record.customNameA, u"");

  // The converter renames itself; the next exchange reads the reply to its own request,
  // not the one that came too late for the last.
  converter->setFault(ConverterFault::DelayedReply, false);
  converter->state.name = "second";
  log.clear();
  clock.advance(milliseconds(300));
  queryStatusA(record);
  EXPECT_EQ(log.text(),
            "get index = 0 \ndiscarded 1 queued reports\nsend ret = 0 \n"
            "Capabilities.InputReportByteLength = 256\t \nrecv data a5 6c \nthe cmd is 0x50\n"
            "4410 3 0 0 0 0 0 0 0 0 0 0 \n1\nchar len is 6 \nrecv ret = 0 \n");
  EXPECT_EQ(record.customNameA, u"second");
}

// Two programs on one converter: each is a handle of its own, and the system hands every
// reply to both.
class TwoPrograms : public Exchange {
 protected:
  void SetUp() override {
    Exchange::SetUp();
    transport.setHolderName("velkorctl (process 4711)");
    other.deviceTable.clear();
    ASSERT_GT(enumerateDevices(transport, other.deviceTable), 0);
    ASSERT_EQ(openDevice(transport, *other.deviceTable.entry(1)), 0);
    other.selectedDevice = 1;
    log.clear();
  }
  HidDevice& otherHandle() { return *other.deviceTable.entry(1)->handle; }

  DeviceRecord other;
};

TEST_F(TwoPrograms, EachExchangeReadsTheReplyToItsOwnRequest) {
  converter->state.name = "before";
  queryStatusA(other);
  queryStatusA(other);
  EXPECT_EQ(other.customNameA, u"before");

  // Changed at the converter itself: this program's queue still holds the two replies
  // the other program asked for.
  converter->state.name = "after";
  log.clear();
  queryStatusA(record);
  EXPECT_TRUE(log.contains("discarded 2 queued reports\n")) << log.text();
  EXPECT_EQ(record.customNameA, u"after");
  // And the other program's next exchange too: it drops the reply this one read.
  queryStatusA(other);
  EXPECT_EQ(other.customNameA, u"after");
}

TEST_F(TwoPrograms, AHeldTurnMakesTheOtherWaitItsLimitThenSendNothing) {
  ASSERT_TRUE(otherHandle().takeTurn(milliseconds(0)).taken);
  const auto start = clock.now();
  queryStatusA(record);
  EXPECT_EQ(elapsedSince(start), kTurnLimit);
  EXPECT_EQ(log.text(), "get index = 0 \nsend ret = -4 \n");
  EXPECT_TRUE(converter->receivedFrames().empty());

  const TurnOutcome waited = record.deviceTable.entry(1)->handle->takeTurn(milliseconds(10));
  EXPECT_FALSE(waited.taken);
  EXPECT_EQ(waited.holder, "velkorctl (process 4711)");

  // A turn nests within its holder, and ends with the outermost end.
  queryStatusA(other);
  EXPECT_EQ(other.statusA.firmwareHigh, 3);
  otherHandle().endTurn();
  log.clear();
  queryStatusA(record);
  EXPECT_TRUE(log.contains("recv ret = 0 \n")) << log.text();
}

TEST_F(TwoPrograms, AProgramThatClosesInItsTurnLeavesTheConverterFree) {
  ASSERT_TRUE(otherHandle().takeTurn(milliseconds(0)).taken);
  other.deviceTable.closeAll();
  const auto start = clock.now();
  queryStatusA(record);
  EXPECT_EQ(elapsedSince(start), milliseconds(0));
  EXPECT_EQ(record.statusA.firmwareHigh, 3);
}

TEST_F(Exchange, UnrecognisedRepliesAreReadAndIgnored) {
  struct Case {
    ConverterFault fault;
    const char* logged;
  };
  for (const Case c : {Case{ConverterFault::WrongSync, "recv data a5 0 \nrecv ret = 0 \n"},
                       Case{ConverterFault::UnknownReplyCode, "recv data a5 6c \nthe cmd is 0x51\nrecv ret = 0 \n"}}) {
    converter->setFault(c.fault);
    log.clear();
    queryStatusA(record);
    EXPECT_TRUE(log.contains(c.logged)) << log.text();
    EXPECT_EQ(record.statusA.firmwareHigh, 0);
    EXPECT_EQ(record.customNameA, u"");
    converter->setFault(c.fault, false);
  }
}

TEST_F(Exchange, OversizedReportIsCutToTheReplyArea) {
  converter->setFault(ConverterFault::OversizedReport);
  converter->setFault(ConverterFault::UnclosedName);
  converter->state.name = std::string(300, 'n');
  queryStatusA(record);
  EXPECT_TRUE(log.contains("Capabilities.InputReportByteLength = 256\t \n"));
  EXPECT_EQ(record.statusA.firmwareHigh, 3);
  EXPECT_EQ(record.customNameA, std::u16string(65, u'n'));
}

TEST_F(Exchange, UnpluggedConverterFailsAtOnceAndLeavesTheRecordCleared) {
  queryStatusA(record);
  ASSERT_EQ(record.customNameA, u"Cam");
  converter->setFault(ConverterFault::Unplugged);
  log.clear();
  const auto start = clock.now();
  queryStatusA(record);
  EXPECT_EQ(elapsedSince(start), milliseconds(0));
  EXPECT_EQ(log.text(), "get index = 0 \nsend ret = -2 \n");
  EXPECT_EQ(record.customNameA, u"");
}

TEST_F(Exchange, ReadReplyWithoutHandle) {
  record.replyBuffer.fill(1);
  EXPECT_EQ(readReply(record, nullptr), kNoHandle);
  EXPECT_EQ(log.text(), " the handle is null\n");
  EXPECT_EQ(record.replyBuffer, decltype(record.replyBuffer){});
}

TEST_F(Exchange, RejectedFramesGoUnanswered) {
  Frame frame;
  buildShortFrameA(frame, 'Q', 1);
  frame[530] ^= 1;  // bad checksum
  sendFrame(record, frame);
  EXPECT_EQ(converter->rejectedFrames(), 1);
  EXPECT_TRUE(log.contains("recv ret = -3 \n"));
}

}  // namespace
}  // namespace velkor::test
