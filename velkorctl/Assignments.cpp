#include "Assignments.h"

#include <algorithm>

namespace velkor::ctl {
namespace {

std::string keyList(const ModelInfo& model) {
  std::string text;
  for (const SettingKey& key : model.keys) text += (text.empty() ? "" : ", ") + std::string(key.name);
  return text;
}

bool anyModelHas(const std::string& key) {
  return std::any_of(models().begin(), models().end(), [&](const ModelInfo& m) { return m.key(key) != nullptr; });
}

// Why no model takes the value for the key; empty when one does.
std::string valueProblem(const Assignment& assignment) {
  std::string problem;
  for (const ModelInfo& model : models()) {
    if (model.key(assignment.key) == nullptr) continue;
    const Changes changes = changesFor(model, {assignment});
    if (changes.error.empty()) return {};
    if (problem.empty()) problem = changes.error;
  }
  return problem;
}

}  // namespace

Assignments parseAssignments(const std::vector<std::string>& arguments) {
  Assignments result;
  for (const std::string& argument : arguments) {
    const auto equals = argument.find('=');
    if (equals == std::string::npos) {
      result.error = "\"" + argument + "\" is not KEY=VALUE";
      return result;
    }
    Assignment assignment{argument.substr(0, equals), argument.substr(equals + 1)};
    if (!anyModelHas(assignment.key)) {
      result.error = "unknown setting \"" + assignment.key + "\"; the settings are " + everySettingKey();
      return result;
    }
    const auto same = [&](const Assignment& a) { return a.key == assignment.key; };
    if (std::any_of(result.items.begin(), result.items.end(), same)) {
      result.error = assignment.key + " is given twice";
      return result;
    }
    // A value that no model takes is told before converters are looked for, which can
    // mean asking them their names.
    result.error = valueProblem(assignment);
    if (!result.error.empty()) return result;
    result.items.push_back(std::move(assignment));
  }
  return result;
}

Changes changesFor(const ModelInfo& model, const std::vector<Assignment>& assignments) {
  Changes result;
  for (const Assignment& assignment : assignments) {
    const SettingKey* key = model.key(assignment.key);
    if (key == nullptr) {
      result.error = assignment.key + " is not a setting of the " + model.word + "; its settings are " + keyList(model);
      return result;
    }
    const auto value = parseValue(*key, assignment.value);
    if (!value) {
      result.error = "bad value \"" + assignment.value + "\" for " + key->name + " on the " + model.word +
                     "; allowed: " + allowedValues(*key);
      return result;
    }
    result.items.push_back({key, *value});
  }
  return result;
}

std::string everySettingKey() {
  std::string text;
  for (const ModelInfo& m : models()) text += std::string(text.empty() ? "" : "; ") + m.word + ": " + keyList(m);
  return text;
}

}  // namespace velkor::ctl
