#include <gtest/gtest.h>

#include <vector>

#include "FrameCodec.h"

namespace velkor {
namespace {

enum class Kind { ShortA, ShortB, DataA, ExtendedB };

struct WorkedFrame {
  const char* name;
  Kind kind;
  std::uint8_t command;
  std::vector<std::uint8_t> argument;  // the value, or the payload
  std::vector<std::uint8_t> from17;    // bytes 17.. that are not zero
  std::uint8_t checksumLow;
  std::uint8_t checksumHigh;
};

Frame build(const WorkedFrame& w) {
  Frame frame;
  frame.fill(0xEE);  // every byte must be written by the builder
  std::size_t length = 0;
  switch (w.kind) {
    case Kind::ShortA:
      length = buildShortFrameA(frame, w.command, w.argument.at(0));
      break;
    case Kind::ShortB:
      length = buildShortFrameB(frame, w.command, w.argument.at(0));
      break;
    case Kind::DataA:
      length = buildDataFrameA(frame, w.command, w.argument);
      break;
    case Kind::ExtendedB:
      length = buildExtendedFrameB(frame, w.command, w.argument);
      break;
  }
  EXPECT_EQ(length, 577u);
  return frame;
}

class WorkedFrames : public ::testing::TestWithParam<WorkedFrame> {};

TEST_P(WorkedFrames, MatchByteForByte) {
  const WorkedFrame& w = GetParam();
  const Frame frame = build(w);

  const std::vector<std::uint8_t> fixedStart{0x00, 0xA5, 0x6C, 0x14, 0x02, 0x81, 0x01, 0x03};
  EXPECT_EQ(std::vector<std::uint8_t>(frame.begin(), frame.begin() + 8), fixedStart);
  for (std::size_t i = 8; i < 17; ++i) EXPECT_EQ(frame[i], 0) << "byte " << i;
  for (std::size_t i = 0; i < w.from17.size(); ++i) EXPECT_EQ(frame[17 + i], w.from17[i]) << "byte " << 17 + i;
  for (std::size_t i = 17 + w.from17.size(); i < 530; ++i) ASSERT_EQ(frame[i], 0) << "byte " << i;
  EXPECT_EQ(frame[530], w.checksumLow);
  EXPECT_EQ(frame[531], w.checksumHigh);
  EXPECT_EQ(frame[532], 0xAE);
  for (std::size_t i = 533; i < 577; ++i) ASSERT_EQ(frame[i], 0) << "byte " << i;
  EXPECT_EQ(frameChecksum(frame), w.checksumLow | (w.checksumHigh << 8));
}

const std::vector<std::uint8_t> eightZeros(8, 0);

INSTANTIATE_TEST_SUITE_P(
    Codec, WorkedFrames,
    ::testing::Values(
        WorkedFrame{"ShortA_Query", Kind::ShortA, 0x50, {0}, {0x50}, 0xFC, 0x01},
        WorkedFrame{"ShortA_OutputFormat3", Kind::ShortA, 0x51, {3}, {0x51, 0x03}, 0x00, 0x02},
        WorkedFrame{"ShortB_Query", Kind::ShortB, 0x80, {0}, {0x80, 0xC9, 0xF0, 0x80}, 0x65, 0x04},
        WorkedFrame{"ShortB_Margin50", Kind::ShortB, 0x85, {50}, {0x85, 0xC9, 0xF0, 0x85, 0x32}, 0xA1, 0x04},
        WorkedFrame{"DataA_ApplyZeros", Kind::DataA, 0x5B, eightZeros, {0x5B, 0x08}, 0x0F, 0x02},
        WorkedFrame{"DataA_Empty", Kind::DataA, 0x5A, {}, {0x5A}, 0x06, 0x02},
        WorkedFrame{
            "ExtendedB_ApplyZeros", Kind::ExtendedB, 0x8B, eightZeros, {0x8A, 0xF9, 0x0C, 0x09, 0x8B}, 0xCF, 0x03},
        WorkedFrame{"ExtendedB_NameOneZero", Kind::ExtendedB, 0x8A, {0}, {0x8A, 0xF9, 0x05, 0x09, 0x8A}, 0xC7, 0x03},
        WorkedFrame{"ExtendedB_NameAbc",
                    Kind::ExtendedB,
                    0x8A,
                    {'a', 'b', 'c', 0},
                    {0x8A, 0xF9, 0x08, 0x09, 0x8A, 0x61, 0x62, 0x63},
                    0xF0,
                    0x04}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameChecksum, KeepsOnlyTheLow16Bits) {
  Frame frame{};
  frame.fill(0xFF);
  // 530 bytes of 0xFF sum to 135150 = 0x20FEE; nothing after byte 529 counts.
  EXPECT_EQ(frameChecksum(frame), 0x0FEE);
}

TEST(FrameCodec, PayloadsBeyondTheBodyAreCut) {
  Frame frame;
  const std::vector<std::uint8_t> big(600, 0x11);
  buildDataFrameA(frame, 0x5A, big);
  EXPECT_EQ(frame[18], static_cast<std::uint8_t>(511));
  EXPECT_EQ(frame[529], 0x11);
  EXPECT_EQ(frame[532], 0xAE);

  buildExtendedFrameB(frame, 0x8A, big);
  EXPECT_EQ(frame[19], static_cast<std::uint8_t>(508 + 4));
  EXPECT_EQ(frame[22], 0x11);
  EXPECT_EQ(frame[529], 0x11);
  EXPECT_EQ(frame[532], 0xAE);
}

}  // namespace
}  // namespace velkor
