#include <gtest/gtest.h>

#include "ConverterFixture.h"
#include "Exchange.h"

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

TEST_F(Exchange, LateReplyIsReadByTheNextExchange) {
  converter->setFault(ConverterFault::DelayedReply);
  converter->replyDelay = milliseconds(700);
  converter->state.name = "first";
  queryStatusA(record);
  EXPECT_TRUE(log.contains("recv ret = -3 \n"));
  EXPECT_EQ(record.customNameA, u"");

  // The converter renames itself; the next exchange still reads the earlier reply first.
  converter->setFault(ConverterFault::DelayedReply, false);
  converter->state.name = "second";
  log.clear();
  const auto start = clock.now();
  queryStatusA(record);
  EXPECT_LE(elapsedSince(start), milliseconds(500));
  EXPECT_TRUE(log.contains("recv ret = 0 \n"));
  EXPECT_EQ(record.customNameA, u"first");
  EXPECT_EQ(converter->pendingReplies().size(), 1u);
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
