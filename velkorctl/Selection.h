#pragma once
// Finding the converters and choosing the ones a command acts on: -d names one by its
// number in `list`, its path, its identity, its serial number or its custom name (the
// last three matched without regard to case); --all takes every converter (of
// --model's model, when it is given); with neither, the one converter attached that
// this user may open (of
// --model's model, when it is given).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Converter.h"
#include "DeviceRecord.h"
#include "ExitCodes.h"
#include "ModelTable.h"
#include "Output.h"
#include "Transport.h"

namespace velkor::ctl {

struct TargetOptions {
  std::string device;
  const ModelInfo* model = nullptr;
  bool all = false;
};

// A scan: entries 1..found of the record's table. When the exit code is not kExitDone
// nothing was found, and why has been reported.
struct Scan {
  int exitCode = kExitDone;
  std::unique_ptr<DeviceRecord> record;
  int found = 0;
};

Scan scanConverters(Transport& transport, Output& output);

// Which converter this user may not open, and how to fix that.
std::string permissionDenied(const DeviceRecord& record, int number);

// The scan and the entries chosen from it; when the exit code is not kExitDone nothing
// was chosen, and why has been reported.
struct Chosen {
  int exitCode = kExitDone;
  std::unique_ptr<DeviceRecord> record;
  std::vector<int> numbers;
  // Converters asked for were left out, reported, because this user may not open them.
  bool permissionMissing = false;
};

Chosen chooseConverters(Transport& transport, Output& output, const TargetOptions& target);

// Opens each chosen converter in turn and lets `act` work on it in the converter's turn,
// report its result and say whether it succeeded; one that does not open, or that
// another program keeps busy, is reported here. The exit code of the whole:
// kExitPermission when any converter asked for could not be opened for lack of
// permission, else kExitConverterFailed when any failed, else kExitBusy when any was
// kept busy.
int actOnEach(Transport& transport, Output& output, const Chosen& chosen, const std::function<bool(Converter&)>& act);

}  // namespace velkor::ctl
