#pragma once
// Conversions between the record's 16-bit names and the converters' 8-bit bytes,
// which are ISO-8859-1 both ways.

#include <cstdint>
#include <span>
#include <string>

namespace velkor {

// One character per byte.
std::u16string widenLatin1(std::span<const std::uint8_t> bytes);
// One byte per character; '?' for each character outside Latin-1 (a surrogate pair
// counts as one character). No terminating zero.
std::string toLatin1(const std::u16string& text);
// For log lines and terminals.
std::string toUtf8(const std::u16string& text);
std::u16string fromUtf8(const std::string& text);

}  // namespace velkor
