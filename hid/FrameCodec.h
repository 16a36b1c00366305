#pragma once
// Building the 577-byte request frames. Each builder fills every byte of a
// caller-supplied frame and returns its length.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "WireFormat.h"

namespace velkor {

using Frame = std::array<std::uint8_t, wire::kFrameLength>;

// Sum of bytes 0..529, kept to 16 bits.
std::uint16_t frameChecksum(const Frame& frame);

std::size_t buildShortFrameA(Frame& frame, std::uint8_t command, std::uint8_t value);
std::size_t buildShortFrameB(Frame& frame, std::uint8_t command, std::uint8_t value);
// At most 511 payload bytes are carried; more is cut.
std::size_t buildDataFrameA(Frame& frame, std::uint8_t command, std::span<const std::uint8_t> payload);
// At most 508 payload bytes are carried; more is cut.
std::size_t buildExtendedFrameB(Frame& frame, std::uint8_t subCommand, std::span<const std::uint8_t> payload);

}  // namespace velkor
