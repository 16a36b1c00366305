// velkorctl: the converters from the command line, on the same core as the panel.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "CommandSet.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "HidapiTransport.h"
#include "Log.h"
#include "Text.h"
#include "UdevRule.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

namespace {

using namespace velkor;

constexpr int kExitDone = 0;
constexpr int kExitNoAnswer = 1;
constexpr int kExitNoSuchConverter = 3;

const char* modelWord(std::uint16_t versionNumber) {
  return versionNumber == kVersionModelA ? "TQ4410" : "TQ6630";
}

int listConverters(DeviceRecord& record, int found) {
  for (int number = 1; number <= found; ++number) {
    const DeviceEntry& e = *record.deviceTable.entry(number);
    std::printf("%d %s %04x:%04x %s\n", number, modelWord(e.versionNumber), e.vendorId, e.productId,
                e.pathTail.data());
  }
  return kExitDone;
}

void printField(const char* name, int value) { std::printf("%-18s %d\n", name, value); }

int showStatus(Transport& transport, DeviceRecord& record, int number) {
  DeviceEntry* entry = record.deviceTable.entry(number);
  if (entry == nullptr || !entry->isAcceptedDevice()) {
    std::fprintf(stderr, "velkorctl: no converter %d\n", number);
    return kExitNoSuchConverter;
  }
  if (openDevice(transport, *entry) != 0 || entry->handle == nullptr) {
    std::fprintf(stderr, "velkorctl: cannot open converter %d (%s)\n", number, entry->pathTail.data());
    return kExitNoAnswer;
  }
  record.selectedDevice = number;
  if (entry->versionNumber == kVersionModelA) {
    queryStatusA(record);
    if (record.replyBuffer[wire::kReplyCodeOffset] != wire::kReplyCodeStatusA) {
      std::fprintf(stderr, "velkorctl: converter %d did not answer\n", number);
      return kExitNoAnswer;
    }
    const StatusBlockA& s = record.statusA;
    std::printf("%-18s %s\n", "model", "TQ4410");
    std::printf("%-18s %s\n", "name", toUtf8(record.customNameA).c_str());
    std::printf("%-18s %d.%d\n", "firmware", s.firmwareHigh, s.firmwareLow);
    printField("input-format", s.inputFormat);
    printField("output-format", s.outputFormat);
    printField("deembed-pair", s.deembedPair);
    printField("embed-source", s.embedSource);
    printField("hdmi-color-space", s.hdmiColorSpace);
    printField("av-output-type", s.avOutputType);
    printField("overlays", s.overlaysEnable);
    printField("vertical-margin", s.verticalMargin);
    printField("horizontal-margin", s.horizontalMargin);
  } else {
    queryStatusB(record);
    if (record.replyBuffer[wire::kReplyCodeOffset] != wire::kReplyCodeStatusB) {
      std::fprintf(stderr, "velkorctl: converter %d did not answer\n", number);
      return kExitNoAnswer;
    }
    const StatusBlockB& s = record.statusB;
    std::printf("%-18s %s\n", "model", "TQ6630");
    std::printf("%-18s %s\n", "name", toUtf8(record.customNameB).c_str());
    std::printf("%-18s %d.%d\n", "firmware", s.firmwareHigh, s.firmwareLow);
    printField("input-format", s.inputFormat);
    printField("output-format", s.outputFormat);
    printField("output-source", s.outputSource);
    printField("audio-source", s.audioSource);
    printField("overlays", s.overlaysEnable);
    printField("vertical-margin", s.verticalMargin);
    printField("horizontal-margin", s.horizontalMargin);
    printField("image-flip", s.mirrorImage);
  }
  return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Velkor USB Control from the command line"};
  bool useVirtual = false;
  bool verbose = false;
  int number = 1;
  app.add_flag("--virtual", useVirtual, "Use the three virtual demo converters instead of USB devices");
  app.add_flag("--verbose", verbose, "Show the protocol's diagnostic lines on standard error");
  app.require_subcommand(1);
  CLI::App* list = app.add_subcommand("list", "List the attached converters");
  CLI::App* status = app.add_subcommand("status", "Query a converter and print what it reports");
  CLI::App* rule = app.add_subcommand("udev-rule", "Print the udev rule that gives the logged-in user the converters");
  status->add_option("-d,--device", number, "Converter number from 'list'")->check(CLI::Range(1, 128));
  CLI11_PARSE(app, argc, argv);

  setLogStream(verbose ? stderr : nullptr);
  if (rule->parsed()) {
    std::fputs(udevRule().c_str(), stdout);
    return kExitDone;
  }

  SteadyClock clock;
  std::unique_ptr<Transport> transport;
  if (useVirtual) {
    auto virtualTransport = std::make_unique<VirtualTransport>(clock);
    addDemoConverters(*virtualTransport);
    transport = std::move(virtualTransport);
  } else {
    transport = std::make_unique<HidapiTransport>();
  }

  auto record = std::make_unique<DeviceRecord>();
  const int found = enumerateDevices(*transport, record->deviceTable);
  if (found <= 0) {
    std::fprintf(stderr, "velkorctl: no converter found%s\n",
                 found < 0 ? " (the system's list of HID devices could not be read)" : "");
    return kExitNoSuchConverter;
  }
  const int result = list->parsed() ? listConverters(*record, found) : showStatus(*transport, *record, number);
  record->deviceTable.closeAll();
  return result;
}
