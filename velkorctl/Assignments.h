#pragma once
// The KEY=VALUE arguments of `set`: their form and keys first, then their values
// against each model concerned. Nothing is sent until every one is good.

#include <string>
#include <vector>

#include "ModelTable.h"
#include "SettingKeys.h"

namespace velkor::ctl {

struct Assignment {
  std::string key;
  std::string value;
};

struct Assignments {
  std::vector<Assignment> items;
  // Empty when every argument has the form, names a setting once and has a value that a
  // model takes for it.
  std::string error;
};

Assignments parseAssignments(const std::vector<std::string>& arguments);

struct Changes {
  std::vector<Change> items;
  std::string error;  // names the key, the value and what is allowed
};

Changes changesFor(const ModelInfo& model, const std::vector<Assignment>& assignments);

// Every model's keys, for help and error texts.
std::string everySettingKey();

}  // namespace velkor::ctl
