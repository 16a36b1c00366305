#pragma once
// The two models' settings blocks, byte for byte as the record holds them.

#include <array>
#include <cstddef>
#include <cstdint>

#include "WireFormat.h"

namespace velkor {

struct StatusBlockA {
  std::uint8_t spare0[4];
  std::uint8_t firmwareHigh;
  std::uint8_t firmwareLow;
  std::uint8_t inputFormat;
  std::uint8_t outputFormat;
  std::uint8_t deembedPair;
  std::uint8_t embedSource;
  std::uint8_t hdmiColorSpace;
  std::uint8_t avOutputType;
  std::uint8_t overlaysEnable;
  std::uint8_t verticalMargin;
  std::uint8_t horizontalMargin;
  std::uint8_t overlayItems[wire::kOverlayItemCount];
  std::uint8_t spare21;

  // Reply bytes 19..29 land on bytes 4..14; the apply frame carries bytes 7..14.
  static constexpr std::size_t kReplyTarget = 4;
  static constexpr std::size_t kSettableFirst = 7;
};

struct StatusBlockB {
  std::uint8_t firmwareHigh;
  std::uint8_t firmwareLow;
  std::uint8_t inputFormat;
  std::uint8_t outputFormat;
  std::uint8_t outputSource;
  std::uint8_t audioSource;
  std::uint8_t overlaysEnable;
  std::uint8_t verticalMargin;
  std::uint8_t horizontalMargin;
  std::uint8_t mirrorImage;
  std::uint8_t screenFreeze;

  static constexpr std::size_t kSettableFirst = 3;
};

static_assert(sizeof(StatusBlockA) == 22);
static_assert(sizeof(StatusBlockB) == 11);
static_assert(offsetof(StatusBlockA, firmwareHigh) == StatusBlockA::kReplyTarget);
static_assert(offsetof(StatusBlockA, outputFormat) == StatusBlockA::kSettableFirst);
static_assert(offsetof(StatusBlockA, horizontalMargin) == 14);
static_assert(offsetof(StatusBlockA, overlayItems) == 15);
static_assert(offsetof(StatusBlockA, spare21) == 21);
static_assert(offsetof(StatusBlockB, outputFormat) == StatusBlockB::kSettableFirst);
static_assert(offsetof(StatusBlockB, screenFreeze) == 10);
static_assert(sizeof(StatusBlockA) - StatusBlockA::kSettableFirst - wire::kOverlayItemCount - 1 ==
              wire::kApplyPayloadLength);
static_assert(sizeof(StatusBlockB) - StatusBlockB::kSettableFirst == wire::kApplyPayloadLength);

// Raw byte views, for whole-block copies and the byte positions the wire uses.
template <typename Block>
std::uint8_t* blockBytes(Block& block) {
  return reinterpret_cast<std::uint8_t*>(&block);
}
template <typename Block>
const std::uint8_t* blockBytes(const Block& block) {
  return reinterpret_cast<const std::uint8_t*>(&block);
}

// The eight bytes an apply frame sends, in block order.
template <typename Block>
std::array<std::uint8_t, wire::kApplyPayloadLength> settableRun(const Block& block) {
  std::array<std::uint8_t, wire::kApplyPayloadLength> run{};
  const std::uint8_t* bytes = blockBytes(block) + Block::kSettableFirst;
  for (std::size_t i = 0; i < run.size(); ++i) run[i] = bytes[i];
  return run;
}

}  // namespace velkor
