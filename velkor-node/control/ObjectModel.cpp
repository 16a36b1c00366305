#include "ObjectModel.h"

#include <algorithm>
#include <cctype>

#include "JsonInteger.h"
#include "Validation.h"

namespace velkor::node::control {
namespace {

using nlohmann::json;

// NcObject's elements.
constexpr ElementId kClassIdProperty{1, 1};
constexpr ElementId kOidProperty{1, 2};
constexpr ElementId kConstantOidProperty{1, 3};
constexpr ElementId kOwnerProperty{1, 4};
constexpr ElementId kRoleProperty{1, 5};
constexpr ElementId kUserLabelProperty{1, 6};
constexpr ElementId kRuntimeConstraintsProperty{1, 8};
constexpr ElementId kGetMethod{1, 1};
constexpr ElementId kSetMethod{1, 2};
constexpr ElementId kGetSequenceItem{1, 3};
constexpr ElementId kSetSequenceItem{1, 4};
constexpr ElementId kAddSequenceItem{1, 5};
constexpr ElementId kRemoveSequenceItem{1, 6};
constexpr ElementId kGetSequenceLength{1, 7};
// NcBlock's and NcWorker's.
constexpr ElementId kEnabledProperty{2, 1};
constexpr ElementId kMembersProperty{2, 2};
constexpr ElementId kGetMemberDescriptors{2, 1};
constexpr ElementId kFindMembersByPath{2, 2};
constexpr ElementId kFindMembersByRole{2, 3};
constexpr ElementId kFindMembersByClassId{2, 4};
// NcClassManager's.
constexpr ElementId kGetControlClass{3, 1};
constexpr ElementId kGetDatatype{3, 2};
// NcStatusMonitor's: the delay a device may wait before it reports a worse status.
constexpr ElementId kStatusReportingDelay{3, 3};
constexpr unsigned kDefaultStatusReportingDelay = 3;
const json kNoArguments = json::object();

std::optional<ElementId> elementIdOf(const json& value) {
  if (!value.is_object() || !value.contains("level") || !value.contains("index")) return std::nullopt;
  const std::optional<int> level = exactInteger<int>(value["level"]);
  const std::optional<int> index = exactInteger<int>(value["index"]);
  if (!level || !index) return std::nullopt;
  return ElementId{*level, *index};
}

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The property an "id" argument names; null when there is none (or the id is no id).
Property* propertyOf(ControlObject& object, const json& arguments) {
  const auto id = elementIdOf(arguments.at("id"));
  return id ? object.property(*id) : nullptr;
}

std::string propertyName(const Property& property) {
  return property.descriptor->at("name").get<std::string>();
}

}  // namespace

Property* ControlObject::property(ElementId id) {
  for (Property& p : properties)
    if (p.id == id) return &p;
  return nullptr;
}

const Property* ControlObject::property(ElementId id) const {
  return const_cast<ControlObject*>(this)->property(id);
}

ObjectModel::ObjectModel(const ClassCatalogue& catalogue, Options options) : catalogue_(catalogue), options_(options) {}

ControlObject& ObjectModel::add(ClassId classId, std::string role, std::optional<int> owner, std::string description) {
  ControlObject& object = objects_.emplace_back();
  object.oid = static_cast<int>(objects_.size());
  object.classId = std::move(classId);
  object.role = std::move(role);
  object.owner = owner;
  object.description = std::move(description);
  const int oid = object.oid;
  const bool block = ClassCatalogue::derivesFrom(object.classId, kNcBlock);
  for (const json* descriptor : catalogue_.properties(object.classId)) {
    Property property{*elementIdOf(descriptor->at("id")), descriptor, {}, {}, {}, nullptr};
    const ElementId id = property.id;
    property.fixed = id == kClassIdProperty || id == kOidProperty || id == kOwnerProperty || id == kRoleProperty ||
                     id == kRuntimeConstraintsProperty || (block && id == kMembersProperty);
    if (id == kClassIdProperty) property.read = [this, oid] { return json(find(oid)->classId); };
    if (id == kOidProperty) property.read = [oid] { return json(oid); };
    if (id == kConstantOidProperty) property.stored = true;
    if (id == kOwnerProperty) property.read = [this, oid] { return find(oid)->owner ? json(*find(oid)->owner) : json(); };
    if (id == kRoleProperty) property.read = [this, oid] { return json(find(oid)->role); };
    if (id == kRuntimeConstraintsProperty) property.read = [this, oid] { return find(oid)->runtimeConstraints; };
    if (id == kEnabledProperty) property.stored = true;
    if (block && id == kMembersProperty)
      property.read = [this, oid] {
        json members = json::array();
        for (int member : find(oid)->members) members.push_back(memberDescriptor(*find(member)));
        return members;
      };
    if (ClassCatalogue::derivesFrom(object.classId, kNcStatusMonitor) && id == kStatusReportingDelay)
      property.stored = kDefaultStatusReportingDelay;
    object.properties.push_back(std::move(property));
  }
  if (owner)
    if (ControlObject* container = find(*owner)) container->members.push_back(oid);
  return object;
}

ControlObject* ObjectModel::find(int oid) {
  return oid >= 1 && static_cast<std::size_t>(oid) <= objects_.size() ? &objects_[oid - 1] : nullptr;
}

const ControlObject* ObjectModel::find(int oid) const { return const_cast<ObjectModel*>(this)->find(oid); }

nlohmann::json ObjectModel::valueOf(const ControlObject&, const Property& property) const {
  return property.read ? property.read() : property.stored;
}

nlohmann::json ObjectModel::memberDescriptor(const ControlObject& object) const {
  const Property* label = object.property(kUserLabelProperty);
  return {{"description", object.description},
          {"role", object.role},
          {"oid", object.oid},
          {"constantOid", true},
          {"classId", object.classId},
          {"userLabel", label ? valueOf(object, *label) : json()},
          {"owner", object.owner ? json(*object.owner) : json()}};
}

std::string ObjectModel::dottedRolePath(const ControlObject& object) const {
  std::string dotted;
  for (const std::string& role : rolePath(object)) dotted += (dotted.empty() ? "" : ".") + role;
  return dotted;
}

bool ObjectModel::changes(const ControlObject& object, const nlohmann::json& methodId) const {
  const auto method = elementIdOf(methodId);
  if (!method) return false;
  if (*method == kSetMethod || *method == kSetSequenceItem || *method == kAddSequenceItem || *method == kRemoveSequenceItem)
    return true;
  return std::any_of(object.methods.begin(), object.methods.end(), [&](const Method& bound) { return bound.id == *method; });
}

void ObjectModel::invoke(int oid, const nlohmann::json& methodId, const nlohmann::json& arguments, Reply reply) {
  const auto method = elementIdOf(methodId);
  if (!method) return reply(MethodResult::fail(MethodStatus::BadCommandFormat, "methodId must be {level, index}"));
  ControlObject* object = find(oid);
  if (!object) return reply(MethodResult::fail(MethodStatus::BadOid, "no object with oid " + std::to_string(oid)));
  const json* descriptor = catalogue_.method(object->classId, *method);
  if (!descriptor)
    return reply(MethodResult::fail(MethodStatus::MethodNotImplemented,
                                    "no method " + methodId.dump() + " in class " + json(object->classId).dump()));
  if (!arguments.is_object() && !arguments.is_null())
    return reply(MethodResult::fail(MethodStatus::BadCommandFormat, "arguments must be an object"));
  const json& args = arguments.is_null() ? kNoArguments : arguments;
  for (const json& parameter : descriptor->at("parameters")) {
    const std::string& name = parameter.at("name").get_ref<const std::string&>();
    if (auto why = checkValue(args.contains(name) ? args.at(name) : json(), rulesOf(parameter), catalogue_))
      return reply(MethodResult::fail(MethodStatus::ParameterError, "argument " + name + ": " + *why));
  }

  for (const Method& bound : object->methods)
    if (bound.id == *method) return bound.call(args, std::move(reply));
  if (*method == kGetMethod) return reply(get(*object, args));
  if (*method == kSetMethod) return set(*object, args, std::move(reply));
  if (method->level == 1) return reply(sequenceMethod(*object, *method, args));
  if (ClassCatalogue::derivesFrom(object->classId, kNcBlock)) return reply(blockMethod(*object, *method, args));
  if (ClassCatalogue::derivesFrom(object->classId, kNcClassManager)) return reply(classManagerMethod(*method, args));
  reply(MethodResult::fail(MethodStatus::MethodNotImplemented, "method " + methodId.dump() + " is not implemented"));
}

MethodResult ObjectModel::get(ControlObject& object, const nlohmann::json& arguments) {
  const Property* property = propertyOf(object, arguments);
  if (!property)
    return MethodResult::fail(MethodStatus::PropertyNotImplemented, "no property " + arguments.at("id").dump());
  return MethodResult::ok(valueOf(object, *property));
}

void ObjectModel::set(ControlObject& object, const nlohmann::json& arguments, Reply reply) {
  Property* property = propertyOf(object, arguments);
  if (!property)
    return reply(MethodResult::fail(MethodStatus::PropertyNotImplemented, "no property " + arguments.at("id").dump()));
  if (property->descriptor->at("isReadOnly").get<bool>())
    return reply(MethodResult::fail(MethodStatus::Readonly, "property " + propertyName(*property) + " is read-only"));
  const json value = arguments.contains("value") ? arguments.at("value") : json();
  if (const std::optional<std::string> why = check(object, *property, value))
    return reply(MethodResult::fail(MethodStatus::ParameterError, "value for " + propertyName(*property) + ": " + *why));
  if (options_.readOnly)
    return reply(MethodResult::fail(MethodStatus::InvalidRequest, "this node is read-only: it changes nothing"));
  if (property->write)
    return property->write(value, [this, reply = std::move(reply)](MethodResult result) {
      if (result.isOk()) refresh();
      reply(std::move(result));
    });
  property->stored = value;
  report(object, *property);
  reply(MethodResult::ok());
}

std::optional<std::string> ObjectModel::check(const ControlObject& object, const Property& property,
                                              const nlohmann::json& value) const {
  ValueRules rules = rulesOf(*property.descriptor);
  if (object.runtimeConstraints.is_array())
    for (const json& constraint : object.runtimeConstraints)
      if (elementIdOf(constraint.at("propertyId")) == property.id) rules.runtimeConstraints = &constraint;
  std::optional<std::string> why = checkValue(value, rules, catalogue_);
  if (!why && property.accepts) why = property.accepts(value);
  return why;
}

std::vector<std::string> ObjectModel::rolePath(const ControlObject& object) const {
  std::vector<std::string> path;
  // Owners always come before the objects they hold, so the walk ends at the root.
  for (const ControlObject* at = &object; at != nullptr; at = at->owner ? find(*at->owner) : nullptr)
    path.insert(path.begin(), at->role);
  return path;
}

MethodResult ObjectModel::sequenceMethod(ControlObject& object, ElementId method, const nlohmann::json& arguments) {
  Property* property = propertyOf(object, arguments);
  if (!property)
    return MethodResult::fail(MethodStatus::PropertyNotImplemented, "no property " + arguments.at("id").dump());
  if (!property->descriptor->at("isSequence").get<bool>())
    return MethodResult::fail(MethodStatus::BadCommandFormat, "property " + propertyName(*property) + " is no sequence");
  json sequence = valueOf(object, *property);
  const std::size_t length = sequence.is_array() ? sequence.size() : 0;
  if (method == kGetSequenceLength) return MethodResult::ok(sequence.is_array() ? json(length) : json());
  const bool indexed = method != kAddSequenceItem;
  const std::size_t index = indexed ? arguments.at("index").get<std::size_t>() : 0;
  if (indexed && index >= length)
    return MethodResult::fail(MethodStatus::IndexOutOfBounds, "index " + std::to_string(index) + " is not below " +
                                                                  std::to_string(length));
  if (method == kGetSequenceItem) return MethodResult::ok(sequence.at(index));
  if (property->descriptor->at("isReadOnly").get<bool>())
    return MethodResult::fail(MethodStatus::Readonly, "property " + propertyName(*property) + " is read-only");
  if (method == kAddSequenceItem || method == kSetSequenceItem) {
    ValueRules rules = rulesOf(*property->descriptor);
    rules.isSequence = false;
    rules.isNullable = false;
    const json value = arguments.contains("value") ? arguments.at("value") : json();
    if (auto why = checkValue(value, rules, catalogue_))
      return MethodResult::fail(MethodStatus::ParameterError, "item for " + propertyName(*property) + ": " + *why);
    if (options_.readOnly)
      return MethodResult::fail(MethodStatus::InvalidRequest, "this node is read-only: it changes nothing");
    if (!sequence.is_array()) sequence = json::array();
    if (method == kAddSequenceItem) sequence.push_back(value);
    else sequence[index] = value;
  } else {
    if (options_.readOnly)
      return MethodResult::fail(MethodStatus::InvalidRequest, "this node is read-only: it changes nothing");
    sequence.erase(index);
  }
  // Only properties held here are writable sequences.
  property->stored = sequence;
  report(object, *property);
  return MethodResult::ok(method == kAddSequenceItem ? json(length) : json());
}

void ObjectModel::collectMembers(const ControlObject& block, bool recurse,
                                 const std::function<bool(const ControlObject&)>& matches, nlohmann::json& found) const {
  for (int oid : block.members) {
    const ControlObject& member = *find(oid);
    if (matches(member)) found.push_back(memberDescriptor(member));
    if (recurse && ClassCatalogue::derivesFrom(member.classId, kNcBlock)) collectMembers(member, true, matches, found);
  }
}

MethodResult ObjectModel::blockMethod(ControlObject& block, ElementId method, const nlohmann::json& arguments) {
  json found = json::array();
  if (method == kGetMemberDescriptors) {
    collectMembers(block, arguments.at("recurse").get<bool>(), [](const ControlObject&) { return true; }, found);
  } else if (method == kFindMembersByPath) {
    const ControlObject* at = &block;
    for (const json& role : arguments.at("path")) {
      const ControlObject* next = nullptr;
      for (int oid : at->members)
        if (find(oid)->role == role.get_ref<const std::string&>()) next = find(oid);
      if (!next) return MethodResult::fail(MethodStatus::ParameterError, "no member at path " + arguments.at("path").dump());
      at = next;
    }
    if (at == &block) return MethodResult::fail(MethodStatus::ParameterError, "the path is empty");
    found.push_back(memberDescriptor(*at));
  } else if (method == kFindMembersByRole) {
    const bool caseSensitive = arguments.at("caseSensitive").get<bool>();
    const bool whole = arguments.at("matchWholeString").get<bool>();
    const std::string query = caseSensitive ? arguments.at("role").get<std::string>()
                                            : lowered(arguments.at("role").get<std::string>());
    if (query.empty()) return MethodResult::fail(MethodStatus::ParameterError, "the role is empty");
    collectMembers(
        block, arguments.at("recurse").get<bool>(),
        [&](const ControlObject& member) {
          const std::string role = caseSensitive ? member.role : lowered(member.role);
          return whole ? role == query : role.find(query) != std::string::npos;
        },
        found);
  } else if (method == kFindMembersByClassId) {
    const ClassId query = arguments.at("classId").get<ClassId>();
    const bool derived = arguments.at("includeDerived").get<bool>();
    collectMembers(
        block, arguments.at("recurse").get<bool>(),
        [&](const ControlObject& member) {
          return derived ? ClassCatalogue::derivesFrom(member.classId, query) : member.classId == query;
        },
        found);
  } else {
    return MethodResult::fail(MethodStatus::MethodNotImplemented, "no such block method");
  }
  return MethodResult::ok(std::move(found));
}

MethodResult ObjectModel::classManagerMethod(ElementId method, const nlohmann::json& arguments) {
  const bool inherited = arguments.at("includeInherited").get<bool>();
  if (method == kGetControlClass) {
    const ClassId id = arguments.at("classId").get<ClassId>();
    json descriptor = inherited ? catalogue_.classWithInherited(id) : json();
    if (!inherited)
      if (const json* own = catalogue_.findClass(id)) descriptor = *own;
    if (descriptor.is_null())
      return MethodResult::fail(MethodStatus::ParameterError, "no class " + arguments.at("classId").dump());
    return MethodResult::ok(std::move(descriptor));
  }
  if (method == kGetDatatype) {
    const std::string& name = arguments.at("name").get_ref<const std::string&>();
    const json* descriptor = inherited ? catalogue_.datatypeWithInherited(name) : catalogue_.findDatatype(name);
    if (!descriptor) return MethodResult::fail(MethodStatus::ParameterError, "no datatype " + name);
    return MethodResult::ok(*descriptor);
  }
  return MethodResult::fail(MethodStatus::MethodNotImplemented, "no such class manager method");
}

void ObjectModel::report(const ControlObject& object, const Property& property) {
  const json value = valueOf(object, property);
  lastRead_[{object.oid, property.id}] = value;
  if (changed_) changed_(object.oid, property.id, value);
}

void ObjectModel::refresh() {
  for (const ControlObject& object : objects_)
    for (const Property& property : object.properties) {
      if (!property.read || property.fixed) continue;
      json value = property.read();
      auto [at, fresh] = lastRead_.try_emplace({object.oid, property.id}, value);
      if (!fresh && at->second == value) continue;
      at->second = std::move(value);
      if (!fresh && changed_) changed_(object.oid, property.id, at->second);
    }
}

}  // namespace velkor::node::control
