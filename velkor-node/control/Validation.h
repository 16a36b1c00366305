#pragma once
// Whether a value fits a property or parameter: its datatype (primitive, typedef,
// struct, enumeration), nullability, sequence, and the constraints of the descriptor,
// of the datatype and of the object at run time. Only what a value may be is checked
// here; what the converter then makes of it is the converter's answer.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ClassCatalogue.h"

namespace velkor::node::control {

struct ValueRules {
  const nlohmann::json* typeName;  // a string, or null for any type
  bool isNullable = false;
  bool isSequence = false;
  const nlohmann::json* constraints = nullptr;         // the descriptor's, or null
  const nlohmann::json* runtimeConstraints = nullptr;  // the object's for this property, or null
};

// From a property or parameter descriptor.
ValueRules rulesOf(const nlohmann::json& descriptor);

// Nothing when the value fits; otherwise why not, in words for the error message.
std::optional<std::string> checkValue(const nlohmann::json& value, const ValueRules& rules,
                                      const ClassCatalogue& catalogue);

// Characters of a UTF-8 text (nlohmann::json holds only valid UTF-8 once parsed).
std::size_t characterCount(const std::string& utf8);

}  // namespace velkor::node::control
