#include "ClassCatalogue.h"

#include <algorithm>
#include <set>

#include "SettingLists.h"
#include "StandardModel.h"

namespace velkor::node::control {
namespace {

using nlohmann::json;

// NcDatatypeType's item for a struct: the one kind a datatype inherits fields in.
constexpr int kStructType = 2;

json propertyDescriptor(ElementId id, const char* name, const char* description, const char* typeName,
                        bool readOnly, json constraints = nullptr) {
  return {{"description", description}, {"id", id.toJson()},       {"name", name},
          {"typeName", typeName},       {"isReadOnly", readOnly}, {"isNullable", false},
          {"isSequence", false},        {"isDeprecated", false},  {"constraints", std::move(constraints)}};
}

json classDescriptor(const ClassId& id, const char* name, const char* description, json properties,
                     json methods = json::array()) {
  return {{"description", description}, {"classId", id},       {"name", name},
          {"fixedRole", nullptr},       {"properties", std::move(properties)},
          {"methods", std::move(methods)}, {"events", json::array()}};
}

json marginConstraints() {
  return {{"defaultValue", nullptr}, {"minimum", 0}, {"maximum", lists::kMarginMaximum}, {"step", 1}};
}

json pageClass(const PageClass& page) {
  json properties = json::array();
  int index = 0;
  for (const SettingRow& setting : page.settings) {
    const ElementId id{kPageSettingLevel, ++index};
    properties.push_back(setting.list
                             ? propertyDescriptor(id, setting.name, setting.description, setting.list->name, false)
                             : propertyDescriptor(id, setting.name, setting.description, "NcUint16", false,
                                                  marginConstraints()));
  }
  return classDescriptor(ClassId(page.classId.begin(), page.classId.end()), page.className, page.description,
                         std::move(properties));
}

json listDatatype(const ListType& list) {
  json items = json::array();
  for (std::size_t code = 0; code < list.words.size(); ++code)
    items.push_back({{"description", list.words[code]}, {"name", itemName(list.words[code])}, {"value", code}});
  return {{"description", list.description}, {"name", list.name}, {"type", 3}, {"items", std::move(items)},
          {"constraints", nullptr}};
}

json customSlotsClass() {
  const json slot = {{"description", "Custom slot"},
                     {"name", "slot"},
                     {"typeName", "NcUint16"},
                     {"isNullable", false},
                     {"isSequence", false},
                     {"constraints",
                      {{"defaultValue", nullptr}, {"minimum", kCustomSlotFirst}, {"maximum", kCustomSlotLast},
                       {"step", 1}}}};
  const json store = {{"description", "Stores the converter's settings in custom slot 1 or 2"},
                      {"id", kStoreCustomMethod.toJson()},
                      {"name", "StoreCustom"},
                      {"resultDatatype", "NcMethodResult"},
                      {"parameters", json::array({slot})},
                      {"isDeprecated", false}};
  return classDescriptor(kCustomSlotsClass, "VelkorCustomSlots", "The converter's two custom settings slots",
                         json::array(), json::array({store}));
}

json monitorClass() {
  return classDescriptor(
      kConverterMonitorClass, "VelkorConverterMonitor",
      "Converter status: healthy with an input signal, inactive without, unhealthy when the converter does not answer",
      json::array({propertyDescriptor(kInputPresent, "inputPresent", "An input signal is present", "NcBoolean", true),
                   propertyDescriptor(kInputFormat, "inputFormat", "The input's format, as the status page shows it",
                                      "NcString", true)}));
}

}  // namespace

ClassCatalogue::ClassCatalogue(const ConverterTable& table) {
  const json& standard = standardModel();
  classes_ = standard.at("classes");
  datatypes_ = standard.at("datatypes");
  std::set<std::string> listed;
  for (const PageClass& page : table.pages) {
    classes_.push_back(pageClass(page));
    for (const SettingRow& setting : page.settings)
      if (setting.list && listed.insert(setting.list->name).second) datatypes_.push_back(listDatatype(*setting.list));
  }
  classes_.push_back(customSlotsClass());
  classes_.push_back(monitorClass());
  index();
}

// The first of a class or datatype listed twice is the one found, as a search would.
void ClassCatalogue::index() {
  for (const json& c : classes_) classById_.try_emplace(c.at("classId").get<ClassId>(), &c);
  for (const auto& [id, c] : classById_)
    for (const json* ancestor : lineage(id))
      for (const json& m : ancestor->at("methods"))
        methodByClass_.try_emplace({id, ElementId{m.at("id").at("level").get<int>(), m.at("id").at("index").get<int>()}},
                                   &m);
  for (const json& d : datatypes_) datatypeByName_.try_emplace(d.at("name").get<std::string>(), &d);
  for (const auto& [name, type] : datatypeByName_) {
    if (type->at("type") != kStructType) continue;
    json whole = *type;
    for (const json* parent = type; parent->contains("parentType") && parent->at("parentType").is_string();) {
      parent = findDatatype(parent->at("parentType").get_ref<const std::string&>());
      if (!parent) break;
      for (const json& field : parent->at("fields")) whole["fields"].push_back(field);
    }
    wholeStructs_.emplace(name, std::move(whole));
  }
}

const nlohmann::json* ClassCatalogue::findClass(const ClassId& id) const {
  const auto found = classById_.find(id);
  return found == classById_.end() ? nullptr : found->second;
}

const nlohmann::json* ClassCatalogue::findDatatype(std::string_view name) const {
  const auto found = datatypeByName_.find(name);
  return found == datatypeByName_.end() ? nullptr : found->second;
}

ClassId ClassCatalogue::parentOf(const ClassId& id) {
  ClassId parent = id;
  if (!parent.empty()) parent.pop_back();
  // An authority key is never the last index of a class: drop it with the index after it.
  if (!parent.empty() && parent.back() <= 0) parent.pop_back();
  return parent;
}

bool ClassCatalogue::derivesFrom(const ClassId& id, const ClassId& base) {
  return base.size() <= id.size() && std::equal(base.begin(), base.end(), id.begin());
}

std::vector<const nlohmann::json*> ClassCatalogue::lineage(const ClassId& id) const {
  std::vector<const json*> chain;
  for (ClassId at = id; !at.empty(); at = parentOf(at))
    if (const json* c = findClass(at)) chain.push_back(c);
  return chain;
}

nlohmann::json ClassCatalogue::classWithInherited(const ClassId& id) const {
  const auto chain = lineage(id);
  if (chain.empty() || chain.front()->at("classId").get<ClassId>() != id) return nullptr;
  json whole = *chain.front();
  for (std::size_t i = 1; i < chain.size(); ++i)
    for (const char* part : {"properties", "methods", "events"})
      for (const json& element : chain[i]->at(part)) whole[part].push_back(element);
  return whole;
}

const nlohmann::json* ClassCatalogue::datatypeWithInherited(std::string_view name) const {
  const auto whole = wholeStructs_.find(name);
  return whole != wholeStructs_.end() ? &whole->second : findDatatype(name);
}

std::vector<const nlohmann::json*> ClassCatalogue::properties(const ClassId& id) const {
  std::vector<const json*> all;
  for (const json* c : lineage(id))
    for (const json& p : c->at("properties")) all.push_back(&p);
  return all;
}

const nlohmann::json* ClassCatalogue::method(const ClassId& id, ElementId method) const {
  const auto found = methodByClass_.find({id, method});
  return found == methodByClass_.end() ? nullptr : found->second;
}

}  // namespace velkor::node::control
