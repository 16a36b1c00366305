// Any output report through the virtual converter's frame check and request handling,
// for both models, in and out of "Controls-PC".

#include <cstddef>
#include <cstdint>
#include <span>

#include "virtual/VirtualConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static velkor::VirtualConverter modelA([] {
    velkor::VirtualConverterSetup setup;
    setup.model = velkor::ConverterModel::TQ4410;
    return setup;
  }());
  static velkor::VirtualConverter modelB([] {
    velkor::VirtualConverterSetup setup;
    setup.model = velkor::ConverterModel::TQ6630;
    return setup;
  }());
  for (velkor::VirtualConverter* converter : {&modelA, &modelB}) {
    // The last byte is not checked by the frame check, so it can steer the DIP switch.
    converter->state.controlsPc = size > 0 && (data[size - 1] & 1) == 0;
    const bool accepted = converter->receive(std::span(data, size), {});
    if (accepted != velkor::isWellFormedFrame(std::span(data, size))) __builtin_trap();
    converter->pendingReplies().clear();
    converter->forgetReceived();
  }
  return 0;
}
