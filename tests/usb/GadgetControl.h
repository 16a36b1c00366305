#pragma once
// The running velkor-gadget of the test machine, as the kernel-path tests see it: its
// commands, each converter's state, and which hidraw node the host's kernel gave it.
// Its control socket is named by the environment (VELKOR_GADGET_SOCKET).

#include <map>
#include <string>

namespace velkor::test {

class GadgetControl {
 public:
  // Sends one command; the answer's lines after "ok", or a test failure.
  static std::string send(const std::string& command);
  // Converter `number`'s state as key=value pairs.
  static std::map<std::string, std::string> state(int number);
  static int frames(int number) { return std::stoi(state(number).at("frames")); }
  // The /dev/hidrawN whose USB serial number is `serial`; empty when there is none.
  static std::string hidrawOf(const std::string& serial);
  // Waits until `count` hidraw nodes are present (after an unplug or a replug).
  static bool waitForHidraw(int count);
};

// The converters and the keyboard the test machine's gadget presents: two TQ4410 on two
// vendor pairs and a TQ6630 (the kernel's HID function offers four devices in all).
struct GadgetDevice {
  int number;
  const char* serial;
  const char* name;
};
inline constexpr GadgetDevice kStudioA{1, "TQ4410-A01", "Studio A"};
inline constexpr GadgetDevice kObTruck{2, "TQ4410-B02", "OB Truck"};
inline constexpr GadgetDevice kStageLeft{3, "TQ6630-C03", "Stage Left"};
inline constexpr int kConverterCount = 3;
inline constexpr const char* kKeyboardSerial = "KBD1";

}  // namespace velkor::test
