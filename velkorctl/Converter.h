#pragma once
// One converter of a scan, open for a command. Requests go through the tool's own
// record, which stays in Auto Apply: a query leaves the held block equal to the status
// block, and an apply frame carries the status block.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "DeviceRecord.h"
#include "ExchangeTurn.h"
#include "ModelTable.h"
#include "SettingKeys.h"
#include "Transport.h"

namespace velkor::ctl {

// An entry's identity as a terminal or a script shows it (UTF-8): its USB port and
// serial number ("1-1.2:1.0/A1B2"), or its path where the system tells no port.
std::string shownIdentity(const DeviceEntry& entry);

class Converter {
 public:
  // Opens entry `number` of the record's table and makes it the device in use. The
  // entry must hold a converter of a known model.
  Converter(Transport& transport, DeviceRecord& record, int number);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool opened() const;
  // Not opened because this user may not open it.
  bool accessDenied() const;
  int number() const { return number_; }
  const ModelInfo& model() const { return model_; }
  std::string path() const;
  std::string identity() const;

  // Takes the converter's turn for as long as this object lives, so that everything it
  // sends and reads back is one transaction that no other program's request comes
  // between. False when another program kept it past the limit: busyReason() says so.
  bool takeTurn();
  std::string busyReason() const;

  // Each is one request and its reply. True when a status reply came back; it has then
  // filled the status block and the name.
  bool query();
  // The changes over the status block of the last query, in one apply frame.
  bool apply(std::span<const Change> changes);
  bool writeName(const std::u16string& name);
  bool storeCustom(std::uint8_t slot);

  // Whether any request has been answered, and so whether the name is known.
  bool heard() const { return heard_; }
  std::u16string name() const;
  std::uint8_t value(const SettingKey& key) const;
  const std::uint8_t* statusBlock() const;
  std::vector<std::string> statusTexts() const;
  const DeviceRecord& record() const { return record_; }
  // Saves what the last query read, with `applyMode` as the file's apply mode.
  SettingsResult saveSettings(const std::filesystem::path& file, std::uint8_t applyMode);
  // The text of a new settings file of what the last query read, in "Auto Apply".
  std::string settingsText() const;

 private:
  template <typename Request>
  bool answered(Request request);

  DeviceRecord& record_;
  int number_;
  const ModelInfo& model_;
  bool heard_ = false;
  std::optional<ExchangeTurn> turn_;
};

// What a request without a status reply within its limit is reported as.
std::string noAnswer();

}  // namespace velkor::ctl
