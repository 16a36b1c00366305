#pragma once
// One USB gadget with one HID function, made in the kernel's configfs and bound to a
// device controller (a real one, or one of dummy_hcd's). Binding is plugging in;
// unbinding is pulling the cable.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "AcceptedDevices.h"

namespace velkor::gadget {

struct UsbIdentity {
  UsbIdPair ids;
  std::uint16_t bcdDevice = 0;
  std::string manufacturer;
  std::string product;
  std::string serial;
};

struct HidFunctionSetup {
  std::vector<std::uint8_t> reportDescriptor;
  std::uint16_t reportLength = 0;
  std::uint8_t subclass = 0;
  std::uint8_t protocol = 0;
  // Without an interrupt OUT endpoint, output reports travel as SET_REPORT requests
  // on the control pipe.
  bool outEndpoint = true;
};

class GadgetFunction {
 public:
  // Makes the gadget `name` under configfs and binds it to `controller`. Throws
  // std::runtime_error naming what failed; nothing is left behind then.
  GadgetFunction(std::string name, const UsbIdentity& identity, const HidFunctionSetup& hid, std::string controller);
  // Unbinds and removes the gadget.
  ~GadgetFunction();
  GadgetFunction(const GadgetFunction&) = delete;
  GadgetFunction& operator=(const GadgetFunction&) = delete;

  void bind();
  void unbind();
  bool bound() const { return bound_; }
  // The gadget side of the HID function, /dev/hidgN.
  const std::string& devicePath() const { return devicePath_; }
  const std::string& controller() const { return controller_; }

 private:
  void remove();

  std::filesystem::path root_;
  std::string controller_;
  std::string devicePath_;
  bool bound_ = false;
};

// The device controllers the system has, in name order.
std::vector<std::string> deviceControllers();

}  // namespace velkor::gadget
