#include "DemoConverters.h"

#include <string>

namespace velkor {
namespace {

struct DemoPlace {
  const char* path;
  const char* usbPort;
  const char* serialNumber;
};

VirtualConverterSetup demoConverter(ConverterModel model, DemoPlace place, UsbIdPair ids, const char* name,
                                    std::uint8_t firmwareHigh, std::uint8_t firmwareLow, std::uint8_t inputFormat) {
  VirtualConverterSetup setup;
  setup.model = model;
  setup.path = place.path;
  setup.usbPort = place.usbPort;
  setup.serialNumber = place.serialNumber;
  setup.ids = ids;
  setup.name = name;
  setup.firmwareHigh = firmwareHigh;
  setup.firmwareLow = firmwareLow;
  setup.inputFormat = inputFormat;
  return setup;
}

}  // namespace

void addDemoConverters(VirtualTransport& transport) {
  VirtualConverter& studio = transport.addConverter(demoConverter(ConverterModel::TQ4410,
                                                                  {"virtual:/tq4410-studio-a", "1-1.1:1.0", "A4410137"},
                                                                  kAcceptedPairs[1], "Studio A", 1, 3, 27));
  studio.state.settings = {12, 0, 0, 0, 1, 1, 10, 10};
  VirtualConverter& truck =
      transport.addConverter(demoConverter(ConverterModel::TQ4410, {"virtual:/tq4410-ob-truck", "1-1.2:1.0", ""},
                                           kAcceptedPairs[0], "OB Truck 2", 1, 2, 19));
  truck.state.settings = {5, 1, 2, 1, 0, 0, 20, 20};
  VirtualConverter& stage =
      transport.addConverter(demoConverter(ConverterModel::TQ6630, {"virtual:/tq6630-stage", "1-1.3:1.0", "B6630021"},
                                           kAcceptedPairs[2], "Stage Left", 2, 1, 55));
  stage.state.settings = {7, 0, 0, 1, 15, 15, 0, 0};
}

VirtualTransport::Trace hexTrace(std::FILE* stream) {
  return [stream](const VirtualConverter& converter, VirtualTransport::Direction direction,
                  std::span<const std::uint8_t> bytes) {
    std::string line = converter.setup().path;
    line += direction == VirtualTransport::Direction::ToConverter ? " <- " : " -> ";
    static constexpr char kHex[] = "0123456789abcdef";
    for (std::uint8_t b : bytes) {
      line += kHex[b >> 4];
      line += kHex[b & 0xF];
    }
    std::fprintf(stream, "%s\n", line.c_str());
  };
}

}  // namespace velkor
