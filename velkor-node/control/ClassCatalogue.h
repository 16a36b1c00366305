#pragma once
// Every control class and datatype one converter's device model uses: the standard ones
// and our own, made from the model's table. The class manager lists them; the generic
// handlers read property, method and parameter descriptors from them.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "ModelTable.h"

namespace velkor::node::control {

using ClassId = std::vector<int>;

struct ElementId {
  int level = 0;
  int index = 0;
  auto operator<=>(const ElementId&) const = default;
  nlohmann::json toJson() const { return {{"level", level}, {"index", index}}; }
};

// Standard classes the model builds on.
inline const ClassId kNcObject{1};
inline const ClassId kNcBlock{1, 1};
inline const ClassId kNcWorker{1, 2};
inline const ClassId kNcDeviceManager{1, 3, 1};
inline const ClassId kNcClassManager{1, 3, 2};
inline const ClassId kNcStatusMonitor{1, 2, 2};

// Our classes shared by both models (authority key 0: Velkor owns no CID or OUI).
inline const ClassId kCustomSlotsClass{1, 2, 0, 6};
inline constexpr ElementId kStoreCustomMethod{3, 1};
inline constexpr int kCustomSlotFirst = 1;
inline constexpr int kCustomSlotLast = 2;
inline const ClassId kConverterMonitorClass{1, 2, 2, 0, 1};
inline constexpr ElementId kInputPresent{4, 1};
inline constexpr ElementId kInputFormat{4, 2};

// The pages' settings: level 3, in the table's order.
inline constexpr int kPageSettingLevel = 3;

class ClassCatalogue {
 public:
  explicit ClassCatalogue(const ConverterTable& table);
  // Descriptors are handed out by address: the catalogue stays where it was made.
  ClassCatalogue(const ClassCatalogue&) = delete;
  ClassCatalogue& operator=(const ClassCatalogue&) = delete;

  // As the class manager lists them: each class with its own elements only.
  const nlohmann::json& classes() const { return classes_; }
  const nlohmann::json& datatypes() const { return datatypes_; }

  const nlohmann::json* findClass(const ClassId& id) const;
  const nlohmann::json* findDatatype(std::string_view name) const;
  // A class with the elements of all the classes it derives from; null when unknown.
  nlohmann::json classWithInherited(const ClassId& id) const;
  // A struct with the fields of its parents; other datatypes as they are; null when unknown.
  const nlohmann::json* datatypeWithInherited(std::string_view name) const;

  // Property descriptors of a class and its ancestors.
  std::vector<const nlohmann::json*> properties(const ClassId& id) const;
  // The descriptor of a method of a class or of one of its ancestors; null when none has it.
  const nlohmann::json* method(const ClassId& id, ElementId method) const;

  // The class a class derives from: its id without the last index (and without an
  // authority key the index followed). Empty for NcObject.
  static ClassId parentOf(const ClassId& id);
  static bool derivesFrom(const ClassId& id, const ClassId& base);

 private:
  std::vector<const nlohmann::json*> lineage(const ClassId& id) const;  // the class first, NcObject last

  void index();

  nlohmann::json classes_;
  nlohmann::json datatypes_;
  // Every command looks its method up by class and checks its arguments against their
  // datatypes: found by key, and the structs made whole once, not on each command.
  std::map<ClassId, const nlohmann::json*> classById_;
  std::map<std::string, const nlohmann::json*, std::less<>> datatypeByName_;
  std::map<std::string, nlohmann::json, std::less<>> wholeStructs_;
  std::map<std::pair<ClassId, ElementId>, const nlohmann::json*> methodByClass_;
};

}  // namespace velkor::node::control
