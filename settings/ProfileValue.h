#pragma once
// A settings value read back the way the original program read it: into a buffer of
// eight characters (so at most seven are kept), converted like wcstol in base 10, and
// cut to the low 8 bits of the record's byte.

#include <cstdint>
#include <string_view>

namespace velkor {

std::uint8_t profileByte(std::string_view value);

}  // namespace velkor
