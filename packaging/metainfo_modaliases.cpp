// Build tool: writes the AppStream metainfo from its template, with one modalias for
// each accepted vendor/product pair and model version number, so that software centres
// offer the package for exactly the converters the udev rule and discovery accept.
// Usage: metainfo_modaliases TEMPLATE OUTPUT

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "AcceptedDevices.h"

namespace {

// The line of the template that the modaliases replace, at its indentation.
constexpr std::string_view kMarker = "<!-- modaliases -->";

// As the kernel writes a USB device's modalias: upper-case hexadecimal, the device's
// release number (bcdDevice, the HID version number) after 'd'.
std::string modalias(velkor::UsbIdPair pair, std::uint16_t versionNumber) {
  char text[40];
  std::snprintf(text, sizeof text, "usb:v%04Xp%04Xd%04X*", pair.vendorId, pair.productId, versionNumber);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: metainfo_modaliases TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "metainfo_modaliases: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::ostringstream out;
  bool replaced = false;
  for (std::string line; std::getline(in, line);) {
    const auto at = line.find(kMarker);
    if (at == std::string::npos) {
      out << line << '\n';
      continue;
    }
    const std::string indent = line.substr(0, at);
    for (const velkor::UsbIdPair& pair : velkor::kAcceptedPairs)
      for (const std::uint16_t version : velkor::kModelVersions)
        out << indent << "<modalias>" << modalias(pair, version) << "</modalias>\n";
    replaced = true;
  }
  if (!replaced) {
    std::cerr << "metainfo_modaliases: " << argv[1] << " has no " << kMarker << "\n";
    return 1;
  }
  std::ofstream file(argv[2]);
  file << out.str();
  file.close();
  if (!file) {
    std::cerr << "metainfo_modaliases: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
