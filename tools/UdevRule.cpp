#include "UdevRule.h"

#include <cstdio>

#include "AcceptedDevices.h"

namespace velkor {

std::string udevRule() {
  std::string rule = "# Velkor TQ4410 / TQ6630 video converters: access for the logged-in user.\n";
  for (const UsbIdPair& pair : kAcceptedPairs) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"\n",
                  pair.vendorId, pair.productId);
    rule += line;
  }
  return rule;
}

}  // namespace velkor
