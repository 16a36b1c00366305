#include "Selection.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "AcceptedDevices.h"
#include "DevicePath.h"
#include "Discovery.h"
#include "Text.h"

namespace velkor::ctl {
namespace {

std::string ids(const HidAttributes& attributes) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x:%04x", attributes.vendorId, attributes.productId);
  return text;
}

void reportDenied(Transport& transport, Output& output) {
  for (const DeniedInterface& denied : transport.deniedInterfaces()) {
    const HidAttributes& a = denied.attributes;
    const ModelInfo* model = modelOf(a.versionNumber);
    if (!isAcceptedPair(a.vendorId, a.productId) || model == nullptr) continue;
    output.error("permission denied on " + denied.path + " (" + model->word + " " + ids(a) +
                 "): install the udev rule (the package does; otherwise: velkorctl udev-rule | sudo tee "
                 "/etc/udev/rules.d/" VELKOR_UDEV_RULE_FILE ") and replug the converter");
  }
}

Chosen failure(Chosen chosen, Output& output, int exitCode, const std::string& message) {
  output.error(message);
  chosen.exitCode = exitCode;
  return chosen;
}

std::optional<int> entryNumber(const std::string& text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() ? number : 0;  // too many digits: no such entry either
}

// The identity the scan recorded for a path is the one openDevice compares.
int entryAtPath(const DeviceRecord& record, int found, const std::string& path) {
  const ParsedDevicePath parsed = parseDevicePath(eightBitDevicePath(path));
  for (int n = 1; n <= found; ++n) {
    const DeviceEntry& e = *record.deviceTable.entry(n);
    if (e.address == parsed.address && parsed.tail == e.pathTail.data()) return n;
  }
  return 0;
}

std::string numberList(const std::vector<int>& numbers) {
  std::string text;
  for (int n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
  return text;
}

// "converter 4", "converters 3, 4".
std::string converters(const std::vector<int>& numbers) {
  return (numbers.size() == 1 ? "converter " : "converters ") + numberList(numbers);
}

}  // namespace

Scan scanConverters(Transport& transport, Output& output) {
  Scan scan{kExitDone, std::make_unique<DeviceRecord>(), 0};
  const int found = enumerateDevices(transport, scan.record->deviceTable);
  reportDenied(transport, output);
  if (found <= 0) {
    output.error(found < 0 ? "no converter found: the system's list of HID devices could not be read"
                           : "no converter found");
    scan.exitCode = kExitNoSuchConverter;
    return scan;
  }
  scan.found = found;
  return scan;
}

Chosen chooseConverters(Transport& transport, Output& output, const TargetOptions& target) {
  Scan scan = scanConverters(transport, output);
  Chosen chosen{scan.exitCode, std::move(scan.record), {}};
  if (chosen.exitCode != kExitDone) return chosen;
  const DeviceRecord& record = *chosen.record;
  const auto modelAt = [&](int n) { return modelOf(record.deviceTable.entry(n)->versionNumber); };
  const std::string wanted = target.model != nullptr ? std::string(target.model->word) : "converter";

  std::vector<int> candidates;
  for (int n = 1; n <= scan.found; ++n)
    if (target.model == nullptr || modelAt(n) == target.model) candidates.push_back(n);

  if (target.device.empty()) {
    if (candidates.empty()) return failure(std::move(chosen), output, kExitNoSuchConverter, "no " + wanted + " found");
    if (candidates.size() > 1 && !target.all)
      return failure(std::move(chosen), output, kExitUsage,
                     std::to_string(candidates.size()) + " converters found (" + numberList(candidates) +
                         "): choose one with -d (see velkorctl list), or every one with --all");
    chosen.numbers = candidates;
    return chosen;
  }

  int number = 0;
  if (const auto n = entryNumber(target.device)) {
    if (*n < 1 || *n > scan.found)
      return failure(std::move(chosen), output, kExitNoSuchConverter,
                     "no converter " + target.device + ": velkorctl list shows " + std::to_string(scan.found));
    number = *n;
  } else if (const int atPath = entryAtPath(record, scan.found, target.device)) {
    number = atPath;
  } else {
    // A custom name is known only by asking.
    std::vector<int> named;
    std::vector<int> silent;
    const std::u16string name = fromUtf8(target.device);
    for (int n : candidates) {
      Converter converter(transport, *chosen.record, n);
      if (!converter.opened() || !converter.query())
        silent.push_back(n);
      else if (converter.name() == name)
        named.push_back(n);
    }
    if (named.size() > 1)
      return failure(std::move(chosen), output, kExitUsage,
                     converters(named) + " are all named \"" + target.device + "\": choose one by its number or path");
    if (named.empty())
      return failure(std::move(chosen), output, kExitNoSuchConverter,
                     "no " + wanted + " has the number, path or name \"" + target.device + "\"" +
                         (silent.empty() ? "" : " (" + converters(silent) + " did not answer)"));
    number = named.front();
  }
  if (target.model != nullptr && modelAt(number) != target.model)
    return failure(std::move(chosen), output, kExitNoSuchConverter,
                   "converter " + std::to_string(number) + " is a " + modelAt(number)->word + ", not a " + wanted);
  chosen.numbers = {number};
  return chosen;
}

int actOnEach(Transport& transport, Output& output, const Chosen& chosen, const std::function<bool(Converter&)>& act) {
  bool allDone = true;
  for (int n : chosen.numbers) {
    Converter converter(transport, *chosen.record, n);
    const bool done = converter.opened() ? act(converter) : converterFailed(output, converter, "could not be opened");
    allDone = done && allDone;
  }
  return allDone ? kExitDone : kExitConverterFailed;
}

}  // namespace velkor::ctl
