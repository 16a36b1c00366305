#pragma once
// The identity that ties a scanned interface to a later open: a 32-bit address and
// a path tail, read from the interface path.

#include <cstdint>
#include <string>

#include "Transport.h"

namespace velkor {

struct ParsedDevicePath {
  unsigned vendorId = 0;
  unsigned productId = 0;
  std::uint32_t address = 0;
  int index = 0;
  int id = 0;
  std::string text;  // at most 15 characters
  std::string tail;  // at most 63 characters
};

// Reads a path of the form  <prefix>#vid_XXXX&pid_XXXX#<text>&<hex address>&<index>&<id>#<tail>.
// A path of any other form (a hidraw node, say) gets address = FNV-1a hash of the
// whole path and tail = the path, so that scan and open agree and two converters of
// one model are never confused.
ParsedDevicePath parseDevicePath(const std::string& path);

// A path as the transports give it (UTF-8) in the form it is read in: the system's
// 8-bit code page (Latin-1, '?' for anything beyond it), at most 511 bytes.
std::string eightBitDevicePath(const std::string& path);

// The identity of a listed interface. One the system places on a USB port is known by
// that port and its serial number ("1-1.2:1.0/A1B2"): address = FNV-1a hash of that
// text, tail = the text (at most 63 characters), both in the 8-bit form. Any other is
// known by its path, as parseDevicePath reads it.
ParsedDevicePath interfaceIdentity(const ListedInterface& listed);

std::uint32_t fnv1a32(const std::string& text);

}  // namespace velkor
