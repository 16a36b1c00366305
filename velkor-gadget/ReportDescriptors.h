#pragma once
// The HID report descriptors the gadget presents: the converters' vendor-defined one
// and an ordinary boot keyboard's, for a device the program must leave alone.

#include <cstdint>
#include <vector>

namespace velkor::gadget {

// Input report: the reply area less its report ID byte. Output report: the request
// frame less its report ID byte. Both unnumbered.
inline constexpr std::uint16_t kInputReportLength = 255;
inline constexpr std::uint16_t kOutputReportLength = 576;
// f_hid makes this the endpoints' packet size too; it must hold the longer report.
inline constexpr std::uint16_t kConverterReportLength = kOutputReportLength;

std::vector<std::uint8_t> converterReportDescriptor();

inline constexpr std::uint16_t kKeyboardReportLength = 8;
inline constexpr std::uint8_t kBootInterfaceSubclass = 1;
inline constexpr std::uint8_t kKeyboardProtocol = 1;
std::vector<std::uint8_t> keyboardReportDescriptor();

}  // namespace velkor::gadget
