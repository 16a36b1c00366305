#pragma once
// A virtual converter's firmware model reached through a USB gadget: output reports
// the host sends arrive on /dev/hidgN and go to the model; its replies go back as
// input reports when they are due. One thread per converter carries them.

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "GadgetFunction.h"
#include "VirtualConverter.h"

namespace velkor::gadget {

class GadgetConverter {
 public:
  GadgetConverter(VirtualConverterSetup model, std::unique_ptr<GadgetFunction> function);
  ~GadgetConverter();
  GadgetConverter(const GadgetConverter&) = delete;
  GadgetConverter& operator=(const GadgetConverter&) = delete;

  // Runs `edit` on the model while the gadget's thread keeps off it. Setting the
  // Unplugged fault unbinds the gadget, clearing it binds it again; both are done when
  // this returns (plugError() says what failed).
  void change(const std::function<void(VirtualConverter&)>& edit);
  template <typename Look>
  auto inspect(Look look) const {
    std::lock_guard lock(mutex_);
    return look(model_);
  }

  const GadgetFunction& function() const { return *function_; }
  std::string plugError() const;

 private:
  void run();
  void applyPlug();
  void openDevice();
  void closeDevice();
  void takeBytes(const std::uint8_t* data, std::size_t length);

  VirtualConverter model_;
  std::unique_ptr<GadgetFunction> function_;
  mutable std::mutex mutex_;
  bool stopping_ = false;
  int fd_ = -1;
  std::vector<std::uint8_t> report_;  // the output report being gathered, report ID first
  std::string plugError_;
  std::thread thread_;
};

}  // namespace velkor::gadget
