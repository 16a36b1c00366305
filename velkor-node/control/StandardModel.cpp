#include "StandardModel.h"

#include "StandardModelText.h"

namespace velkor::node::control {

const nlohmann::json& standardModel() {
  static const nlohmann::json model = nlohmann::json::parse(kStandardModelText);
  return model;
}

}  // namespace velkor::node::control
