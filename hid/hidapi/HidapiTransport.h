#pragma once
// Real converters, through hidapi.

#include <filesystem>

#include "../Transport.h"

namespace velkor {

class HidapiTransport final : public Transport {
 public:
  // `sysfs`: where the kernel describes its devices; tests give a tree of their own.
  explicit HidapiTransport(std::filesystem::path sysfs = "/sys");
  // Every device opened through this transport must be closed first.
  ~HidapiTransport() override;
  HidapiTransport(const HidapiTransport&) = delete;
  HidapiTransport& operator=(const HidapiTransport&) = delete;

  std::optional<std::vector<ListedInterface>> listInterfaces() override;
  std::unique_ptr<HidDevice> open(const std::string& path) override;

 private:
  std::filesystem::path sysfs_;
  bool initialised_ = false;
};

}  // namespace velkor
