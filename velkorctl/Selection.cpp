#include "Selection.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "Discovery.h"
#include "PermissionHint.h"
#include "Text.h"

namespace velkor::ctl {
namespace {

std::string ids(const DeviceEntry& entry) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x:%04x", entry.vendorId, entry.productId);
  return text;
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

// Letters of Latin-1, the converters' names' alphabet, in one case.
char16_t folded(char16_t c) {
  const bool upper = (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
  return upper ? static_cast<char16_t>(c + 0x20) : c;
}

bool sameIgnoringCase(const std::u16string& a, const std::u16string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return folded(x) == folded(y); });
}

// The entries that `text` names by their path, identity or serial number.
std::vector<int> entriesNamedBy(const DeviceRecord& record, int found, const std::string& text) {
  const std::u16string wanted = fromUtf8(text);
  std::vector<int> named;
  for (int n = 1; n <= found; ++n) {
    const DeviceEntry& e = *record.deviceTable.entry(n);
    if (e.path == text || sameIgnoringCase(fromUtf8(shownIdentity(e)), wanted) ||
        (!e.serialNumber.empty() && sameIgnoringCase(fromUtf8(e.serialNumber), wanted)))
      named.push_back(n);
  }
  return named;
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

bool denied(const DeviceRecord& record, int number) { return record.deviceTable.entry(number)->accessDenied; }

}  // namespace

std::string permissionDenied(const DeviceRecord& record, int number) {
  const DeviceEntry& e = *record.deviceTable.entry(number);
  std::string which = "converter " + std::to_string(number) + ", " + modelOf(e.versionNumber)->word + " " + ids(e);
  const std::string identity = shownIdentity(e);
  if (identity != e.path) which += " at " + identity;
  return "permission denied on " + e.path + " (" + which + "): " + permissionFix();
}

Scan scanConverters(Transport& transport, Output& output) {
  Scan scan{kExitDone, std::make_unique<DeviceRecord>(), 0};
  const int found = enumerateDevices(transport, scan.record->deviceTable);
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
  const auto reportDenied = [&](const std::vector<int>& numbers) {
    for (int n : numbers) output.error(permissionDenied(record, n));
  };

  std::vector<int> candidates;
  for (int n = 1; n <= scan.found; ++n)
    if (target.model == nullptr || modelAt(n) == target.model) candidates.push_back(n);

  if (target.device.empty()) {
    if (candidates.empty()) return failure(std::move(chosen), output, kExitNoSuchConverter, "no " + wanted + " found");
    // Only converters this user may open count; the others are named with the fix.
    std::vector<int> usable;
    std::vector<int> refused;
    for (int n : candidates) (denied(record, n) ? refused : usable).push_back(n);
    reportDenied(refused);
    chosen.permissionMissing = target.all && !refused.empty();
    if (usable.empty()) {
      chosen.exitCode = kExitPermission;
      return chosen;
    }
    if (usable.size() > 1 && !target.all)
      return failure(std::move(chosen), output, kExitUsage,
                     std::to_string(usable.size()) + " converters found (" + numberList(usable) +
                         "): choose one with -d (see velkorctl list), or every one with --all");
    chosen.numbers = usable;
    return chosen;
  }

  int number = 0;
  if (const auto n = entryNumber(target.device)) {
    if (*n < 1 || *n > scan.found)
      return failure(std::move(chosen), output, kExitNoSuchConverter,
                     "no converter " + target.device + ": velkorctl list shows " + std::to_string(scan.found));
    number = *n;
  } else if (const std::vector<int> at = entriesNamedBy(record, scan.found, target.device); !at.empty()) {
    if (at.size() > 1)
      return failure(std::move(chosen), output, kExitUsage,
                     converters(at) + " all go by \"" + target.device + "\": choose one by its number");
    number = at.front();
  } else {
    // A custom name is known only by asking.
    std::vector<int> named;
    std::vector<int> silent;
    std::vector<int> refused;
    std::vector<int> busy;
    const std::u16string name = fromUtf8(target.device);
    for (int n : candidates) {
      if (denied(record, n)) {
        refused.push_back(n);
        continue;
      }
      Converter converter(transport, *chosen.record, n);
      if (converter.opened() && !converter.takeTurn())
        busy.push_back(n);
      else if (!converter.opened() || !converter.query())
        silent.push_back(n);
      else if (sameIgnoringCase(converter.name(), name))
        named.push_back(n);
    }
    if (named.size() > 1)
      return failure(std::move(chosen), output, kExitUsage,
                     converters(named) + " are all named \"" + target.device + "\": choose one by its number or path");
    if (named.empty()) {
      reportDenied(refused);
      const int exitCode = !refused.empty() ? kExitPermission : !busy.empty() ? kExitBusy : kExitNoSuchConverter;
      return failure(std::move(chosen), output, exitCode,
                     "no " + wanted + " has the number, identity, serial number, path or name \"" + target.device +
                         "\"" + (silent.empty() ? "" : " (" + converters(silent) + " did not answer)") +
                         (busy.empty() ? "" : " (" + converters(busy) + " kept busy by another program)") +
                         (refused.empty() ? "" : " (" + converters(refused) + " could not be asked)"));
    }
    number = named.front();
  }
  if (target.model != nullptr && modelAt(number) != target.model)
    return failure(std::move(chosen), output, kExitNoSuchConverter,
                   "converter " + std::to_string(number) + " is a " + modelAt(number)->word + ", not a " + wanted);
  if (denied(record, number)) {
    reportDenied({number});
    chosen.exitCode = kExitPermission;
    return chosen;
  }
  chosen.numbers = {number};
  return chosen;
}

int actOnEach(Transport& transport, Output& output, const Chosen& chosen, const std::function<bool(Converter&)>& act) {
  bool failed = false;
  bool busy = false;
  bool permissionMissing = chosen.permissionMissing;
  for (int n : chosen.numbers) {
    Converter converter(transport, *chosen.record, n);
    if (converter.opened()) {
      // All that is sent to one converter, and read back, is one transaction.
      if (!converter.takeTurn()) {
        busy = true;
        converterFailed(output, converter, converter.busyReason());
      } else if (!act(converter)) {
        failed = true;
      }
    } else if (converter.accessDenied()) {
      permissionMissing = true;
      converterFailed(output, converter, permissionDenied(*chosen.record, n));
    } else {
      failed = true;
      converterFailed(output, converter, "could not be opened");
    }
  }
  if (permissionMissing) return kExitPermission;
  if (failed) return kExitConverterFailed;
  return busy ? kExitBusy : kExitDone;
}

}  // namespace velkor::ctl
