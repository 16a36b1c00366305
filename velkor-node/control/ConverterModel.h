#pragma once
// One converter's device model: the root block, the managers, an object per page of the
// panel, the custom slots and the status monitor, each bound to the converter through
// ConverterAccess. Sets go to the converter as the panel's Auto Apply sends them and are
// answered from the converter's answer. What a controller may set that the converter
// does not hold (user labels and the like) the node keeps in its state folder instead,
// and answers once it is on disk.

#include <memory>

#include "ClassCatalogue.h"
#include "ConverterAccess.h"
#include "ValueKeeper.h"
#include "ModelTable.h"
#include "ObjectModel.h"

namespace velkor::node::control {

// Oids of the objects every converter's model has; the pages follow.
inline constexpr int kRootOid = 1;
inline constexpr int kDeviceManagerOid = 2;
inline constexpr int kClassManagerOid = 3;

// The answer a controller gets for each outcome of an exchange with the converter, in
// the state the exchange left (which names the program that kept it busy).
MethodResult resultOf(ExchangeResult result, const ConverterState& state);

// The overall status a converter's state maps to (NcOverallStatus), and why.
struct OverallStatus {
  int value;
  std::string message;
};
OverallStatus overallStatusOf(const ConverterTable& table, const ConverterState& state);

class ConverterModel {
 public:
  // Throws std::invalid_argument for a converter of neither model. `kept`: where this
  // converter's values that the node holds itself are kept; it outlives the model.
  ConverterModel(ConverterAccess& access, ObjectModel::Options options, ValueKeeper& kept);
  ~ConverterModel();
  ConverterModel(const ConverterModel&) = delete;
  ConverterModel& operator=(const ConverterModel&) = delete;

  ObjectModel& objects() { return model_; }
  const ConverterTable& table() const { return table_; }
  // The converter's state moved on: report the properties that changed.
  void stateChanged() { model_.refresh(); }

 private:
  void addDeviceManager();
  void addPages();
  void addCustomSlots();
  void addStatusMonitor();
  // Binds every writable property that nothing else holds to the converter's kept
  // values, dropping kept values that no longer fit the model.
  void keepWhatControllersSet();
  // Wraps a reply so that it is dropped if this model is gone when the converter answers.
  ConverterAccess::Done answerWith(Reply reply);
  // The same for an answer from the kept values.
  ValueKeeper::Done answerKept(Reply reply);

  ConverterAccess& access_;
  const ConverterTable& table_;
  const ClassCatalogue& catalogue_;  // one per model, shared by all its converters
  ObjectModel model_;
  ValueKeeper& kept_;
  int keptWatch_ = 0;
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace velkor::node::control
