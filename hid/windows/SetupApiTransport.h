#pragma once
// Real converters on Windows, through SetupAPI (the listing) and hid.dll (the reports).

#include "../Transport.h"

namespace velkor {

class SetupApiTransport final : public Transport {
 public:
  std::optional<std::vector<ListedInterface>> listInterfaces() override;
  std::unique_ptr<HidDevice> open(const std::string& path) override;
};

}  // namespace velkor
