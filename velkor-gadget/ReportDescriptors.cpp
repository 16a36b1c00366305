#include "ReportDescriptors.h"

namespace velkor::gadget {
namespace {

// Short items of the HID report descriptor language.
constexpr std::uint8_t kUsagePage16 = 0x06;
constexpr std::uint8_t kUsagePage8 = 0x05;
constexpr std::uint8_t kUsage8 = 0x09;
constexpr std::uint8_t kCollection = 0xA1;
constexpr std::uint8_t kApplication = 0x01;
constexpr std::uint8_t kEndCollection = 0xC0;
constexpr std::uint8_t kLogicalMinimum8 = 0x15;
constexpr std::uint8_t kLogicalMaximum8 = 0x25;
constexpr std::uint8_t kLogicalMaximum16 = 0x26;
constexpr std::uint8_t kReportSize8 = 0x75;
constexpr std::uint8_t kReportCount8 = 0x95;
constexpr std::uint8_t kReportCount16 = 0x96;
constexpr std::uint8_t kUsageMinimum8 = 0x19;
constexpr std::uint8_t kUsageMaximum8 = 0x29;
constexpr std::uint8_t kInput = 0x81;
constexpr std::uint8_t kOutput = 0x91;
constexpr std::uint8_t kDataVariableAbsolute = 0x02;
constexpr std::uint8_t kConstant = 0x01;
constexpr std::uint8_t kDataArrayAbsolute = 0x00;

constexpr std::uint16_t kVendorUsagePage = 0xFF00;
constexpr std::uint8_t kGenericDesktop = 0x01;
constexpr std::uint8_t kKeyboardUsage = 0x06;
constexpr std::uint8_t kKeyCodesPage = 0x07;
constexpr std::uint8_t kLedsPage = 0x08;

std::uint8_t low(std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t high(std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); }

}  // namespace

std::vector<std::uint8_t> converterReportDescriptor() {
  return {
      kUsagePage16,     low(kVendorUsagePage),     high(kVendorUsagePage),
      kUsage8,          0x01,
      kCollection,      kApplication,
      kLogicalMinimum8, 0x00,
      kLogicalMaximum16, 0xFF, 0x00,
      kReportSize8,     8,
      kUsage8,          0x02,
      kReportCount16,   low(kInputReportLength),   high(kInputReportLength),
      kInput,           kDataVariableAbsolute,
      kUsage8,          0x03,
      kReportCount16,   low(kOutputReportLength),  high(kOutputReportLength),
      kOutput,          kDataVariableAbsolute,
      kEndCollection,
  };
}

std::vector<std::uint8_t> keyboardReportDescriptor() {
  return {
      kUsagePage8, kGenericDesktop, kUsage8, kKeyboardUsage, kCollection, kApplication,
      // Modifier keys: eight bits.
      kUsagePage8, kKeyCodesPage, kUsageMinimum8, 0xE0, kUsageMaximum8, 0xE7, kLogicalMinimum8, 0x00,
      kLogicalMaximum8, 0x01, kReportSize8, 1, kReportCount8, 8, kInput, kDataVariableAbsolute,
      // Reserved byte.
      kReportCount8, 1, kReportSize8, 8, kInput, kConstant,
      // Five LEDs and their padding.
      kReportCount8, 5, kReportSize8, 1, kUsagePage8, kLedsPage, kUsageMinimum8, 0x01, kUsageMaximum8, 0x05,
      kOutput, kDataVariableAbsolute, kReportCount8, 1, kReportSize8, 3, kOutput, kConstant,
      // Six key codes.
      kReportCount8, 6, kReportSize8, 8, kLogicalMinimum8, 0x00, kLogicalMaximum8, 0x65, kUsagePage8, kKeyCodesPage,
      kUsageMinimum8, 0x00, kUsageMaximum8, 0x65, kInput, kDataArrayAbsolute,
      kEndCollection,
  };
}

}  // namespace velkor::gadget
