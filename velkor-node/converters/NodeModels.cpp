#include "NodeModels.h"

#include <array>

#include "AcceptedDevices.h"
#include "CommandSet.h"
#include "StatusTexts.h"

namespace velkor::node {
namespace {

const std::array<NodeModel, 2> kModels{{
    {
        .word = "TQ4410",
        .versionNumber = kVersionModelA,
        .statusReplyCode = wire::kReplyCodeStatusA,
        .blockSize = sizeof(StatusBlockA),
        .firmwareOffset = offsetof(StatusBlockA, firmwareHigh),
        .inputFormatOffset = offsetof(StatusBlockA, inputFormat),
        .statusBlock = [](const DeviceRecord& r) { return blockBytes(r.statusA); },
        .customName = &DeviceRecord::customNameA,
        .queryStatus = queryStatusA,
        .sendName = sendNameA,
        .sendCommand = sendCommandA,
        .storeCustomCommand = wire::kCmdStoreCustomA,
        .inputWord = [](const std::uint8_t* block) {
          return status_text::sdiInputFormatA(block[offsetof(StatusBlockA, inputFormat)]);
        },
    },
    {
        .word = "TQ6630",
        .versionNumber = kVersionModelB,
        .statusReplyCode = wire::kReplyCodeStatusB,
        .blockSize = sizeof(StatusBlockB),
        .firmwareOffset = offsetof(StatusBlockB, firmwareHigh),
        .inputFormatOffset = offsetof(StatusBlockB, inputFormat),
        .statusBlock = [](const DeviceRecord& r) { return blockBytes(r.statusB); },
        .customName = &DeviceRecord::customNameB,
        .queryStatus = queryStatusB,
        .sendName = sendNameB,
        .sendCommand = sendCommandB,
        .storeCustomCommand = wire::kCmdStoreCustomB,
        .inputWord = [](const std::uint8_t* block) {
          return status_text::inputFormatB(block[offsetof(StatusBlockB, inputFormat)],
                                           block[offsetof(StatusBlockB, outputSource)]);
        },
    },
}};

}  // namespace

const NodeModel* nodeModelOf(std::uint16_t versionNumber) {
  for (const NodeModel& m : kModels)
    if (m.versionNumber == versionNumber) return &m;
  return nullptr;
}

}  // namespace velkor::node
