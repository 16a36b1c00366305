#pragma once
// Real converters on Windows, through SetupAPI (the listing) and hid.dll (the reports).

#include "../Transport.h"

namespace velkor {

struct WindowsHid;

class SetupApiTransport final : public Transport {
 public:
  // `hid`: the functions to call; tests give a double of them.
  explicit SetupApiTransport(const WindowsHid& hid) : hid_(hid) {}

  std::optional<std::vector<ListedInterface>> listInterfaces() override;
  std::unique_ptr<HidDevice> open(const std::string& path) override;

 private:
  const WindowsHid& hid_;
};

}  // namespace velkor
