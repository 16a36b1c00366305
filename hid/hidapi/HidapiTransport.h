#pragma once
// Real converters, through hidapi.

#include "../Transport.h"

namespace velkor {

class HidapiTransport final : public Transport {
 public:
  HidapiTransport();
  // Every device opened through this transport must be closed first.
  ~HidapiTransport() override;
  HidapiTransport(const HidapiTransport&) = delete;
  HidapiTransport& operator=(const HidapiTransport&) = delete;

  std::optional<std::vector<InterfacePath>> listInterfaces() override;
  std::unique_ptr<HidDevice> open(const std::string& path) override;
  std::vector<DeniedInterface> deniedInterfaces() override;

 private:
  bool initialised_ = false;
};

}  // namespace velkor
