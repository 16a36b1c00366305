#include "Converter.h"

#include <cstring>

#include "BusyHint.h"
#include "Discovery.h"
#include "Exchange.h"
#include "StatusReply.h"
#include "Text.h"

namespace velkor::ctl {

Converter::Converter(Transport& transport, DeviceRecord& record, int number)
    : record_(record), number_(number), model_(*modelOf(record.deviceTable.entry(number)->versionNumber)) {
  openDevice(transport, *record_.deviceTable.entry(number_));
  record_.selectedDevice = number_;
}

Converter::~Converter() {
  turn_.reset();  // before the handle it is held on goes
  record_.deviceTable.entry(number_)->handle.reset();
  record_.selectedDevice = 0;
}

bool Converter::opened() const { return record_.deviceTable.entry(number_)->handle != nullptr; }

bool Converter::takeTurn() {
  HidDevice* handle = record_.deviceTable.entry(number_)->handle.get();
  if (handle == nullptr) return false;
  turn_.emplace(*handle);
  return turn_->taken();
}

std::string Converter::busyReason() const { return busyMessage(turn_ ? turn_->holder() : std::string()); }

bool Converter::accessDenied() const { return !opened() && record_.deviceTable.entry(number_)->accessDenied; }

SettingsResult Converter::saveSettings(const std::filesystem::path& file, std::uint8_t applyMode) {
  // After a query in Auto Apply the held block equals the status block, so either mode
  // writes what the converter holds; the record is back in Auto Apply afterwards.
  std::uint8_t& mode = record_.*model_.applyMode;
  mode = applyMode;
  const SettingsResult saved = model_.saveSettings(record_, file);
  mode = kAutoApply;
  return saved;
}

std::string Converter::settingsText() const { return model_.settingsText(record_); }

std::string Converter::path() const { return record_.deviceTable.entry(number_)->path; }

std::string Converter::identity() const { return shownIdentity(*record_.deviceTable.entry(number_)); }

std::string shownIdentity(const DeviceEntry& entry) {
  // The entry holds the identity's 8-bit form.
  const auto* tail = reinterpret_cast<const std::uint8_t*>(entry.pathTail.data());
  return toUtf8(widenLatin1({tail, std::strlen(entry.pathTail.data())}));
}

template <typename Request>
bool Converter::answered(Request request) {
  // A request that never reaches the read leaves the last reply in place.
  record_.replyBuffer.fill(0);
  request();
  const bool answer = holdsStatusReply(record_, model_.statusReplyCode);
  heard_ = heard_ || answer;
  return answer;
}

bool Converter::query() {
  return answered([this] { model_.queryStatus(record_); });
}

bool Converter::apply(std::span<const Change> changes) {
  std::uint8_t* block = model_.statusBlock(record_);
  for (const Change& change : changes) block[change.key->offset] = change.value;
  return answered([this] { model_.applySettings(record_); });
}

bool Converter::writeName(const std::u16string& name) {
  record_.*model_.customName = name;
  return answered([this] { model_.sendName(record_); });
}

bool Converter::storeCustom(std::uint8_t slot) {
  return answered([this, slot] { model_.sendCommand(record_, model_.storeCustomCommand, slot); });
}

std::u16string Converter::name() const { return record_.*model_.customName; }

std::uint8_t Converter::value(const SettingKey& key) const { return statusBlock()[key.offset]; }

std::string noAnswer() { return "did not answer within " + std::to_string(kReadLimit.count()) + " ms"; }

const std::uint8_t* Converter::statusBlock() const { return model_.statusBlock(record_); }

std::vector<std::string> Converter::statusTexts() const { return model_.statusTexts(record_); }

}  // namespace velkor::ctl
