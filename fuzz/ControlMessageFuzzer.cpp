// Any bytes as IS-12 messages from a controller, through the control session into a
// converter's device model, with the converter's answers and a change seen by the poll
// after them. The first byte picks the model and the read-only mode; NUL bytes split the
// rest into messages.

#include <boost/asio/io_context.hpp>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "AcceptedDevices.h"
#include "ControlSession.h"
#include "ConverterModel.h"
#include "MemoryKeeper.h"
#include "VirtualConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  using namespace velkor::node;
  boost::asio::io_context io;
  testing::VirtualConverter converter(io, (data[0] & 1) ? velkor::kVersionModelB : velkor::kVersionModelA);
  // Kept in memory: the store's file is tested on its own, and a disk would slow every input.
  testing::MemoryKeeper kept;
  control::ConverterModel model(converter, control::ObjectModel::Options{(data[0] & 2) != 0}, kept);
  std::size_t sentBytes = 0;
  control::ControlSession session(model.objects(), [&](std::string text) { sentBytes += text.size(); });
  model.objects().setChangeListener(
      [&](int oid, control::ElementId id, const nlohmann::json& value) { session.propertyChanged(oid, id, value); });
  const int listenId = converter.listen([&](const ConverterState&) { model.stateChanged(); });

  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t start = 0;
  while (start <= rest.size()) {
    const std::size_t end = std::min(rest.find('\0', start), rest.size());
    session.receive(rest.substr(start, end - start));
    start = end + 1;
  }
  io.poll();
  converter.setAnswering(false);
  converter.unlisten(listenId);
  return 0;
}
