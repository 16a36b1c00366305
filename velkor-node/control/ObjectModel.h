#pragma once
// The generic half of a device model: objects made from class descriptors, and the
// methods every object, block and class manager answers, whatever the objects stand
// for. What is particular to a converter binds to properties and methods from outside
// (ConverterModel).

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ClassCatalogue.h"
#include "MethodStatus.h"

namespace velkor::node::control {

struct Property {
  ElementId id;
  const nlohmann::json* descriptor;
  // Where the value comes from when it is not held here (the converter's state).
  std::function<nlohmann::json()> read;
  // Where a set value goes when it is not held here; answers once the value is taken.
  std::function<void(const nlohmann::json&, Reply)> write;
  // A check beyond the descriptor's (a name's characters, say); why a value does not fit.
  std::function<std::optional<std::string>(const nlohmann::json&)> accepts;
  nlohmann::json stored;
  // Read from outside but never changing (identity, class lists): refresh skips it.
  bool fixed = false;
};

struct Method {
  ElementId id;
  const nlohmann::json* descriptor;
  // Arguments arrive checked against the descriptor's parameters.
  std::function<void(const nlohmann::json& arguments, Reply)> call;
};

struct ControlObject {
  int oid = 0;
  ClassId classId;
  std::string role;
  std::optional<int> owner;
  std::string description;
  std::vector<Property> properties;
  std::vector<Method> methods;  // bound methods only; the generic ones need no entry
  std::vector<int> members;     // blocks only
  nlohmann::json runtimeConstraints;  // a sequence of NcPropertyConstraints, or null

  Property* property(ElementId id);
  const Property* property(ElementId id) const;
};

class ObjectModel {
 public:
  struct Options {
    bool readOnly = false;  // refuse every change
  };
  using ChangeListener = std::function<void(int oid, ElementId property, const nlohmann::json& value)>;

  ObjectModel(const ClassCatalogue& catalogue, Options options);

  // Adds an object with every property of its class (held here, with the defaults a
  // fresh device has) and makes it a member of its owner. Oids count from 1, the root.
  ControlObject& add(ClassId classId, std::string role, std::optional<int> owner, std::string description);
  ControlObject* find(int oid);
  const ControlObject* find(int oid) const;

  // Runs one command; `reply` is called exactly once, maybe later.
  void invoke(int oid, const nlohmann::json& methodId, const nlohmann::json& arguments, Reply reply);

  // Told of every property value that changed, once per change.
  void setChangeListener(ChangeListener listener) { changed_ = std::move(listener); }
  // Reads every property that is not held here and reports those that changed since
  // the last refresh (the converter's state moved on).
  void refresh();

  bool readOnly() const { return options_.readOnly; }

  // Why `value` does not fit the property (its descriptor, the object's run-time
  // constraints, the property's own check); nothing when it fits.
  std::optional<std::string> check(const ControlObject& object, const Property& property,
                                   const nlohmann::json& value) const;
  // The roles from the root block down to the object, the root's own first.
  std::vector<std::string> rolePath(const ControlObject& object) const;
  // The same joined by '.' ("root.output"): what authorization grants rights on.
  std::string dottedRolePath(const ControlObject& object) const;
  // Whether the method changes what the object holds or does (Set, the sequence
  // changes, a method the converter binds) rather than only reading it.
  bool changes(const ControlObject& object, const nlohmann::json& methodId) const;

  nlohmann::json valueOf(const ControlObject& object, const Property& property) const;
  nlohmann::json memberDescriptor(const ControlObject& object) const;

 private:
  MethodResult get(ControlObject& object, const nlohmann::json& arguments);
  void set(ControlObject& object, const nlohmann::json& arguments, Reply reply);
  MethodResult sequenceMethod(ControlObject& object, ElementId method, const nlohmann::json& arguments);
  MethodResult blockMethod(ControlObject& block, ElementId method, const nlohmann::json& arguments);
  MethodResult classManagerMethod(ElementId method, const nlohmann::json& arguments);
  void collectMembers(const ControlObject& block, bool recurse,
                      const std::function<bool(const ControlObject&)>& matches, nlohmann::json& found) const;
  void report(const ControlObject& object, const Property& property);

  const ClassCatalogue& catalogue_;
  Options options_;
  std::deque<ControlObject> objects_;  // oid - 1; a deque keeps addresses when it grows
  ChangeListener changed_;
  std::map<std::pair<int, ElementId>, nlohmann::json> lastRead_;
};

}  // namespace velkor::node::control
