#include <gtest/gtest.h>

#include <string>

#include "DeviceRecord.h"
#include "LogCapture.h"
#include "StatusReply.h"

namespace velkor {
namespace {

using Reply = std::array<std::uint8_t, wire::kReplyAreaLength>;

Reply statusReply(std::uint8_t code, std::initializer_list<std::uint8_t> status, const std::string& afterStatus) {
  Reply reply{};
  reply[1] = 0xA5;
  reply[2] = 0x6C;
  reply[18] = code;
  std::size_t at = 19;
  for (std::uint8_t b : status) reply[at++] = b;
  at = 30;
  for (char c : afterStatus) {
    if (at >= reply.size()) break;
    reply[at++] = static_cast<std::uint8_t>(c);
  }
  return reply;
}

TEST(StatusReplyA, CopiesStatusBytesAndTheFramedName) {
  DeviceRecord record;
  record.statusA.overlayItems[2] = 1;  // never reported, so never touched
  test::LogCapture log;
  applyStatusReply(record, statusReply(0x50, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, "#Studio 1#junk"));

  const std::uint8_t* block = blockBytes(record.statusA);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(block[4 + i], i + 1);
  EXPECT_EQ(record.statusA.overlayItems[2], 1);
  EXPECT_EQ(record.customNameA, u"Studio 1");
  EXPECT_EQ(record.pendingA.outputFormat, 0) << "a reply never touches the held block";
  EXPECT_EQ(log.text(), "4410 1 2 3 4 5 6 7 8 9 a b \n1\nchar len is 8 \n");
}

TEST(StatusReplyA, EachReplyReplacesTheName) {
  DeviceRecord record;
  record.customNameA = u"old";
  test::LogCapture log;
  applyStatusReply(record, statusReply(0x50, {}, "#new#"));
  applyStatusReply(record, statusReply(0x50, {}, "#new#"));
  EXPECT_EQ(record.customNameA, u"new");

  applyStatusReply(record, statusReply(0x50, {}, "##"));
  EXPECT_EQ(record.customNameA, u"");
  EXPECT_TRUE(log.contains("char len is 0 \n"));
}

TEST(StatusReplyA, NameStopsAt65Characters) {
  DeviceRecord record;
  applyStatusReply(record, statusReply(0x50, {}, "#" + std::string(70, 'n')));
  EXPECT_EQ(record.customNameA, std::u16string(65, u'n'));
}

TEST(StatusReplyA, WithoutHashTheNameIsKept) {
  DeviceRecord record;
  record.customNameA = u"kept";
  record.customNameB = u"also kept";
  applyStatusReply(record, statusReply(0x50, {}, "xname#"));
  applyStatusReply(record, statusReply(0x80, {}, "xname#"));
  EXPECT_EQ(record.customNameA, u"kept");
  EXPECT_EQ(record.customNameB, u"also kept");
}

TEST(StatusReplyB, CrossesOutputAndInputFormat) {
  DeviceRecord record;
  test::LogCapture log;
  applyStatusReply(record, statusReply(0x80, {1, 2, 5, 7, 8, 9, 10, 11, 12, 13, 14}, "#B cam#"));
  const StatusBlockB& b = record.statusB;
  EXPECT_EQ(b.firmwareHigh, 1);
  EXPECT_EQ(b.firmwareLow, 2);
  EXPECT_EQ(b.outputFormat, 5);
  EXPECT_EQ(b.inputFormat, 7);
  EXPECT_EQ(b.outputSource, 8);
  EXPECT_EQ(b.screenFreeze, 14);
  EXPECT_EQ(record.customNameB, u"B cam");
  EXPECT_EQ(log.text(), "6630 1 2 5 7 8 9 a b c d e \n1\nchar len is 5 \n");
}

TEST(StatusReplyB, UnclosedNameEndsAtTheReplyArea) {
  DeviceRecord record;
  applyStatusReply(record, statusReply(0x80, {}, "#" + std::string(300, 'z')));
  EXPECT_EQ(record.customNameB, std::u16string(256 - 31, u'z'));
}

TEST(StatusReply, NameBytesWidenOneToOne) {
  DeviceRecord record;
  applyStatusReply(record, statusReply(0x80, {}, "#caf\xE9\xFF#"));
  EXPECT_EQ(record.customNameB, u"caf\u00E9\u00FF");
}

TEST(StatusReply, OtherReplyCodesChangeNothing) {
  DeviceRecord record;
  record.customNameA = u"x";
  applyStatusReply(record, statusReply(0x51, {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}, "#y#"));
  EXPECT_EQ(record.statusA.firmwareHigh, 0);
  EXPECT_EQ(record.statusB.firmwareHigh, 0);
  EXPECT_EQ(record.customNameA, u"x");
}

TEST(StatusReply, HoldsStatusReplyOnlyForAWellSyncedReplyOfThatCode) {
  Reply wrongSync = statusReply(0x50, {}, "#a#");
  wrongSync[2] = 0x00;
  struct Case {
    const char* what;
    Reply reply;
    std::uint8_t code;
    bool holds;
  };
  const Case cases[] = {
      {"model A reply", statusReply(0x50, {}, "#a#"), 0x50, true},
      {"model B reply", statusReply(0x80, {}, "#a#"), 0x80, true},
      {"the other model's reply", statusReply(0x80, {}, "#a#"), 0x50, false},
      {"unknown reply code", statusReply(0x51, {}, "#a#"), 0x50, false},
      {"wrong sync", wrongSync, 0x50, false},
      {"nothing read", Reply{}, 0x50, false},
  };
  for (const Case& c : cases) {
    DeviceRecord record;
    record.replyBuffer = c.reply;
    EXPECT_EQ(holdsStatusReply(record, c.code), c.holds) << c.what;
  }
}

}  // namespace
}  // namespace velkor
