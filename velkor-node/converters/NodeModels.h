#pragma once
// What the node needs of each model: its word, its status block and name in the record,
// and the requests that serve it. The two models differ only in these rows.

#include <cstddef>
#include <cstdint>
#include <string>

#include "DeviceRecord.h"

namespace velkor::node {

struct NodeModel {
  const char* word;  // "TQ4410"
  std::uint16_t versionNumber;
  std::uint8_t statusReplyCode;
  std::size_t blockSize;
  std::size_t firmwareOffset;     // the high byte; the low byte follows
  std::size_t inputFormatOffset;  // the input's format code
  const std::uint8_t* (*statusBlock)(const DeviceRecord&);
  std::u16string DeviceRecord::*customName;
  void (*queryStatus)(DeviceRecord&);
  void (*sendName)(DeviceRecord&);
  void (*sendCommand)(DeviceRecord&, std::uint8_t command, std::uint8_t value);
  std::uint8_t storeCustomCommand;
  // The input's format in the status page's words, from the model's status block.
  const char* (*inputWord)(const std::uint8_t* block);
};

// Null for a version number of neither model.
const NodeModel* nodeModelOf(std::uint16_t versionNumber);

}  // namespace velkor::node
