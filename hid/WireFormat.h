#pragma once
// Every byte position and constant of the converters' HID reports.

#include <cstddef>
#include <cstdint>

namespace velkor::wire {

// Request frame: one 577-byte output report, report ID included.
inline constexpr std::size_t kFrameLength = 577;
inline constexpr std::size_t kReportIdOffset = 0;
inline constexpr std::uint8_t kReportId = 0x00;
inline constexpr std::size_t kSyncOffset = 1;
inline constexpr std::uint8_t kSyncFirst = 0xA5;
inline constexpr std::uint8_t kSyncSecond = 0x6C;
inline constexpr std::size_t kHeaderOffset = 3;
inline constexpr std::uint8_t kHeader[] = {0x14, 0x02, 0x81, 0x01, 0x03};
inline constexpr std::size_t kCommandOffset = 17;
inline constexpr std::size_t kBodyOffset = 18;
inline constexpr std::size_t kChecksumOffset = 530;                 // low byte; high byte follows
inline constexpr std::size_t kChecksummedLength = kChecksumOffset;  // bytes 0..529
inline constexpr std::size_t kTrailerOffset = 532;
inline constexpr std::uint8_t kTrailer = 0xAE;
inline constexpr std::size_t kTrailingZerosOffset = 533;
static_assert(kHeaderOffset + sizeof(kHeader) == 8);
static_assert(kTrailingZerosOffset + 44 == kFrameLength);

// Body room of each frame kind.
inline constexpr std::size_t kBodyLength = kChecksumOffset - kBodyOffset;  // 512
inline constexpr std::size_t kDataFrameAMaxPayload = kBodyLength - 1;      // 511

// Model B short frame body: marker, marker, command again, value.
inline constexpr std::uint8_t kShortBMarker1 = 0xC9;
inline constexpr std::uint8_t kShortBMarker2 = 0xF0;
inline constexpr std::size_t kShortBCommandEchoOffset = 20;
inline constexpr std::size_t kShortBValueOffset = 21;

// Model B extended frame body: marker, payload length + 4, marker, sub-command, payload.
inline constexpr std::uint8_t kExtendedCommand = 0x8A;
inline constexpr std::uint8_t kExtendedMarker1 = 0xF9;
inline constexpr std::uint8_t kExtendedMarker2 = 0x09;
inline constexpr std::size_t kExtendedLengthOffset = 19;
inline constexpr std::uint8_t kExtendedLengthBias = 4;
inline constexpr std::size_t kExtendedSubCommandOffset = 21;
inline constexpr std::size_t kExtendedPayloadOffset = 22;
inline constexpr std::size_t kExtendedMaxPayload = kChecksumOffset - kExtendedPayloadOffset;  // 508

// Reply: one input report read into the 256-byte reply area, report ID at byte 0.
inline constexpr std::size_t kReplyAreaLength = 256;
inline constexpr std::size_t kReplyCodeOffset = 18;
inline constexpr std::uint8_t kReplyCodeStatusA = 0x50;
inline constexpr std::uint8_t kReplyCodeStatusB = 0x80;
inline constexpr std::size_t kReplyStatusOffset = 19;
inline constexpr std::size_t kReplyStatusLength = 11;  // bytes 19..29
inline constexpr std::size_t kReplyNameMarkOffset = 30;
inline constexpr std::size_t kReplyNameOffset = 31;
inline constexpr std::uint8_t kNameDelimiter = '#';
inline constexpr std::size_t kNameLimitA = 65;

// Custom name payload: Latin-1 bytes and their terminating zero, in a 128-byte area.
inline constexpr std::size_t kNameAreaLength = 128;

// Model A commands (byte 17 of a model A frame).
inline constexpr std::uint8_t kCmdQueryStatusA = 'P';
inline constexpr std::uint8_t kCmdOutputFormatA = 'Q';
inline constexpr std::uint8_t kCmdDeembedPairA = 'R';
inline constexpr std::uint8_t kCmdEmbedSourceA = 'S';
inline constexpr std::uint8_t kCmdHdmiColorSpaceA = 'T';
inline constexpr std::uint8_t kCmdAvOutputTypeA = 'U';
inline constexpr std::uint8_t kCmdOverlaysEnableA = 'V';
inline constexpr std::uint8_t kCmdStoreCustomA = 'W';
inline constexpr std::uint8_t kCmdVerticalMarginA = 'X';
inline constexpr std::uint8_t kCmdHorizontalMarginA = 'Y';
inline constexpr std::uint8_t kCmdCustomNameA = 'Z';
inline constexpr std::uint8_t kCmdApplySettingsA = '[';
inline constexpr std::uint8_t kCmdOverlayItemFirstA = '\\';  // six items: 0x5C..0x61
inline constexpr std::size_t kOverlayItemCount = 6;

// Model B commands (byte 17 of a short frame, byte 21 of an extended frame).
inline constexpr std::uint8_t kCmdQueryStatusB = 0x80;
inline constexpr std::uint8_t kCmdOutputFormatB = 0x81;
inline constexpr std::uint8_t kCmdOutputSourceB = 0x82;
inline constexpr std::uint8_t kCmdAudioSourceB = 0x83;
inline constexpr std::uint8_t kCmdOverlaysEnableB = 0x84;
inline constexpr std::uint8_t kCmdVerticalMarginB = 0x85;
inline constexpr std::uint8_t kCmdHorizontalMarginB = 0x86;
inline constexpr std::uint8_t kCmdStoreCustomB = 0x87;
inline constexpr std::uint8_t kCmdMirrorImageB = 0x88;
inline constexpr std::uint8_t kCmdScreenFreezeB = 0x89;
inline constexpr std::uint8_t kSubCmdCustomNameB = 0x8A;
inline constexpr std::uint8_t kSubCmdApplySettingsB = 0x8B;

// The eight settable bytes sent by an apply frame.
inline constexpr std::size_t kApplyPayloadLength = 8;

}  // namespace velkor::wire
