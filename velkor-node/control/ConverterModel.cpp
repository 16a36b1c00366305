#include "ConverterModel.h"

#include <stdexcept>

#include "BusyHint.h"
#include "StatusTexts.h"
#include "Text.h"

namespace velkor::node::control {
namespace {

using nlohmann::json;

// NcDeviceManager's and NcStatusMonitor's elements this model fills.
constexpr ElementId kNcVersion{3, 1};
constexpr ElementId kManufacturer{3, 2};
constexpr ElementId kProduct{3, 3};
constexpr ElementId kSerialNumber{3, 4};
constexpr ElementId kDeviceName{3, 6};
constexpr ElementId kOperationalState{3, 8};
constexpr ElementId kResetCause{3, 9};
constexpr ElementId kControlClasses{3, 1};
constexpr ElementId kDatatypes{3, 2};
constexpr ElementId kOverallStatus{3, 1};
constexpr ElementId kOverallStatusMessage{3, 2};

constexpr const char* kFrameworkVersion = "v1.0.0";
// The datatype of the texts whose length a run-time constraint bounds once kept.
constexpr const char* kTextType = "NcString";
constexpr const char* kManufacturerName = "Velkor";
// NcDeviceGenericState and NcOverallStatus items.
constexpr int kNormalOperation = 1;
constexpr int kGenericUnknown = 0;
constexpr int kInactive = 0;
constexpr int kHealthy = 1;
constexpr int kUnhealthy = 3;
constexpr int kResetCauseUnknown = 0;

// What the converters keep of a name, as a pattern a controller can test values with:
// printable Latin-1 without '#'.
constexpr const char* kNamePattern = "^[ -\"$-~\\u00A0-\\u00FF]*$";

std::optional<std::string> checkName(const json& value) {
  if (value.is_null()) return std::nullopt;  // no name
  const std::u16string name = fromUtf8(value.get<std::string>());
  for (const char16_t c : name) {
    const bool printable = (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF);
    if (!printable || c == u'#') return "a name holds printable Latin-1 characters other than '#' only";
  }
  return std::nullopt;
}

}  // namespace

MethodResult resultOf(ExchangeResult result, const ConverterState& state) {
  switch (result) {
    case ExchangeResult::Done:
      return MethodResult::ok();
    case ExchangeResult::Refused:
      return MethodResult::fail(MethodStatus::Conflict,
                                "the converter kept its value: is its switch at Controls-PC?");
    case ExchangeResult::NoAnswer:
      return MethodResult::fail(MethodStatus::Timeout, "the converter did not answer");
    case ExchangeResult::Busy:
      return MethodResult::fail(MethodStatus::Locked, busyMessage(state.busyHolder));
    case ExchangeResult::Gone:
      return MethodResult::fail(MethodStatus::DeviceError, "the converter was unplugged");
  }
  return MethodResult::fail(MethodStatus::DeviceError, "the converter layer gave no known result");
}

OverallStatus overallStatusOf(const ConverterTable& table, const ConverterState& state) {
  if (!state.answering) return {kUnhealthy, "The converter does not answer"};
  const char* input = table.inputWord(state.block);
  if (!inputPresent(input)) return {kInactive, "No input signal"};
  return {kHealthy, std::string("Input ") + input};
}

namespace {
const ConverterTable& tableFor(const ConverterAccess& access) {
  const ConverterTable* table = converterTable(access.info().versionNumber);
  if (!table) throw std::invalid_argument("a converter of no known model");
  return *table;
}
// The classes and datatypes never change while the program runs: each model's are made
// once, on first use, and shared.
const ClassCatalogue& catalogueFor(const ConverterTable& table) {
  static const auto catalogues = [] {
    std::vector<std::unique_ptr<const ClassCatalogue>> all;
    for (const ConverterTable& t : converterTables()) all.push_back(std::make_unique<const ClassCatalogue>(t));
    return all;
  }();
  return *catalogues.at(static_cast<std::size_t>(&table - converterTables().data()));
}
}  // namespace

ConverterModel::ConverterModel(ConverterAccess& access, ObjectModel::Options options, ValueKeeper& kept)
    : access_(access),
      table_(tableFor(access)),
      catalogue_(catalogueFor(table_)),
      model_(catalogue_, options),
      kept_(kept) {
  model_.add(kNcBlock, "root", std::nullopt,
             std::string(table_.word) + " converter at " + access_.info().identity);
  addDeviceManager();
  ControlObject& classes = model_.add(kNcClassManager, "ClassManager", kRootOid, "Class manager");
  classes.property(kControlClasses)->read = [this] { return catalogue_.classes(); };
  classes.property(kDatatypes)->read = [this] { return catalogue_.datatypes(); };
  classes.property(kControlClasses)->fixed = true;
  classes.property(kDatatypes)->fixed = true;
  addPages();
  addCustomSlots();
  addStatusMonitor();
  keepWhatControllersSet();
  keptWatch_ = kept_.watch([this] { model_.refresh(); });
  model_.refresh();  // what is reported later are changes from here
}

ConverterModel::~ConverterModel() { kept_.unwatch(keptWatch_); }

ConverterAccess::Done ConverterModel::answerWith(Reply reply) {
  return [alive = std::weak_ptr<const bool>(alive_), reply = std::move(reply)](ExchangeResult result,
                                                                             const ConverterState& state) {
    if (alive.lock()) reply(resultOf(result, state));
  };
}

ValueKeeper::Done ConverterModel::answerKept(Reply reply) {
  return [alive = std::weak_ptr<const bool>(alive_), reply = std::move(reply)](std::string problem) {
    if (!alive.lock()) return;
    // Not on disk is not set: a label the node would forget at its next start must not
    // read as taken.
    reply(problem.empty() ? MethodResult::ok()
                          : MethodResult::fail(MethodStatus::DeviceError, problem + "; the value stays as it was"));
  };
}

void ConverterModel::addDeviceManager() {
  ControlObject& manager = model_.add(kNcDeviceManager, "DeviceManager", kRootOid, "Device manager");
  const ConverterInfo& info = access_.info();
  manager.property(kNcVersion)->stored = kFrameworkVersion;
  manager.property(kManufacturer)->stored = {{"name", kManufacturerName}, {"organizationId", nullptr},
                                             {"website", nullptr}};
  manager.property(kProduct)->read = [this] {
    const auto& block = access_.state().block;
    const std::size_t at = table_.firmwareOffset;
    const std::string firmware =
        block.size() > at + 1 ? status_text::firmwareVersion(block[at], block[at + 1]) : std::string();
    return json{{"name", table_.word},      {"key", table_.word}, {"revisionLevel", firmware},
                {"brandName", kManufacturerName}, {"uuid", nullptr},  {"description", "Video format converter"}};
  };
  manager.property(kSerialNumber)->stored = info.serialNumber;
  manager.property(kResetCause)->stored = kResetCauseUnknown;
  manager.property(kOperationalState)->read = [this] {
    const bool answering = access_.state().answering;
    return json{{"generic", answering ? kNormalOperation : kGenericUnknown},
                {"deviceSpecificDetails", answering ? json() : json("the converter does not answer")}};
  };
  // The device name is the converter's own custom name.
  Property& name = *manager.property(kDeviceName);
  name.read = [this] { return json(toUtf8(access_.state().name)); };
  name.accepts = checkName;
  name.write = [this](const json& value, Reply reply) {
    access_.writeName(value.is_null() ? std::u16string() : fromUtf8(value.get<std::string>()),
                      answerWith(std::move(reply)));
  };
  manager.runtimeConstraints = json::array({{{"propertyId", kDeviceName.toJson()},
                                             {"defaultValue", nullptr},
                                             {"maxCharacters", kNameMaxCharacters},
                                             {"pattern", kNamePattern}}});
}

void ConverterModel::addPages() {
  for (const PageClass& page : table_.pages) {
    ControlObject& object =
        model_.add(ClassId(page.classId.begin(), page.classId.end()), page.role, kRootOid, page.description);
    int index = 0;
    for (const SettingRow& setting : page.settings) {
      Property& property = *object.property({kPageSettingLevel, ++index});
      property.read = [this, &setting] {
        const auto& block = access_.state().block;
        return setting.offset < block.size() ? json(block[setting.offset]) : json(0);
      };
      property.write = [this, &setting](const json& value, Reply reply) {
        access_.sendSetting(setting.command, setting.offset, value.get<std::uint8_t>(), answerWith(std::move(reply)));
      };
    }
  }
}

void ConverterModel::addCustomSlots() {
  ControlObject& slots = model_.add(kCustomSlotsClass, "customSlots", kRootOid, "Custom settings slots");
  slots.methods.push_back({kStoreCustomMethod, nullptr, [this](const json& arguments, Reply reply) {
                             if (model_.readOnly())
                               return reply(MethodResult::fail(MethodStatus::InvalidRequest,
                                                               "this node is read-only: it changes nothing"));
                             access_.storeCustom(arguments.at("slot").get<std::uint8_t>(), answerWith(std::move(reply)));
                           }});
}

void ConverterModel::addStatusMonitor() {
  ControlObject& monitor = model_.add(kConverterMonitorClass, "status", kRootOid, "Converter status");
  monitor.property(kOverallStatus)->read = [this] { return json(overallStatusOf(table_, access_.state()).value); };
  monitor.property(kOverallStatusMessage)->read = [this] {
    return json(overallStatusOf(table_, access_.state()).message);
  };
  monitor.property(kInputPresent)->read = [this] {
    return json(inputPresent(table_.inputWord(access_.state().block)));
  };
  monitor.property(kInputFormat)->read = [this] { return json(table_.inputWord(access_.state().block)); };
}

void ConverterModel::keepWhatControllersSet() {
  KeptValues unclaimed = kept_.values();
  for (int oid = kRootOid; ControlObject* object = model_.find(oid); ++oid) {
    const std::vector<std::string> rolePath = model_.rolePath(*object);
    for (Property& property : object->properties) {
      const json& descriptor = *property.descriptor;
      if (descriptor.at("isReadOnly").get<bool>() || descriptor.value("isSequence", false) || property.read ||
          property.write)
        continue;
      if (descriptor.value("typeName", json()) == kTextType) {
        if (!object->runtimeConstraints.is_array()) object->runtimeConstraints = json::array();
        object->runtimeConstraints.push_back({{"propertyId", property.id.toJson()},
                                              {"defaultValue", property.stored},
                                              {"maxCharacters", kKeptTextCharacters},
                                              {"pattern", nullptr}});
      }
      const KeptKey key{rolePath, property.id};
      property.read = [this, key, fallback = property.stored] {
        const json* kept = kept_.value(key);
        return kept ? *kept : fallback;
      };
      property.write = [this, key](const json& value, Reply reply) {
        kept_.keep(key, value, answerKept(std::move(reply)));
      };
      const auto found = unclaimed.find(key);
      if (found == unclaimed.end()) continue;
      // A file edited by hand, or kept under other limits: what does not fit is dropped.
      if (const std::optional<std::string> why = model_.check(*object, property, found->second)) {
        kept_.note(describe(key) + " dropped: " + *why);
        kept_.forget(key);
      }
      unclaimed.erase(found);
    }
  }
  for (const auto& [key, value] : unclaimed) {
    kept_.note(describe(key) + " dropped: the converter's model keeps no such value");
    kept_.forget(key);
  }
}

}  // namespace velkor::node::control
