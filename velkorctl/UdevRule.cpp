#include "UdevRule.h"

#include <cstdio>
#include <regex>

#include "AcceptedDevices.h"

namespace velkor {

std::string udevRule(const std::string& group) {
  std::string rule = "# Velkor TQ4410 / TQ6630 video converters: access for the logged-in user";
  rule += group.empty() ? ".\n" : " and the members of group " + group + ".\n";
  const std::string access = group.empty() ? "" : ", MODE=\"0660\", GROUP=\"" + group + "\"";
  for (const UsbIdPair& pair : kAcceptedPairs) {
    for (std::uint16_t version : kModelVersions) {
      char line[200];
      std::snprintf(line, sizeof line,
                    "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", "
                    "ATTRS{bcdDevice}==\"%04x\", TAG+=\"uaccess\"",
                    pair.vendorId, pair.productId, version);
      rule += line + access + "\n";
    }
  }
  return rule;
}

bool isGroupName(const std::string& name) {
  static const std::regex kName("[A-Za-z_][A-Za-z0-9_.-]{0,31}");
  return std::regex_match(name, kName);
}

}  // namespace velkor
