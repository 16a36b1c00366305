#include "Validation.h"

#include <cmath>
#include <limits>

namespace velkor::node::control {
namespace {

using nlohmann::json;

struct IntegerRange {
  const char* name;
  double minimum;
  double maximum;
};

// JSON numbers travel as doubles in many clients; 64-bit limits are checked as doubles
// too, which is exact for the powers of two they are.
constexpr IntegerRange kIntegers[] = {
    {"NcInt16", std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()},
    {"NcInt32", std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()},
    {"NcInt64", -9223372036854775808.0, 9223372036854775807.0},
    {"NcUint16", 0, std::numeric_limits<std::uint16_t>::max()},
    {"NcUint32", 0, std::numeric_limits<std::uint32_t>::max()},
    {"NcUint64", 0, 18446744073709551615.0},
};

std::optional<std::string> checkPrimitive(const json& value, const std::string& name) {
  if (name == "NcBoolean") return value.is_boolean() ? std::nullopt : std::optional<std::string>("not a boolean");
  if (name == "NcString") return value.is_string() ? std::nullopt : std::optional<std::string>("not a string");
  if (name == "NcFloat32" || name == "NcFloat64")
    return value.is_number() ? std::nullopt : std::optional<std::string>("not a number");
  for (const IntegerRange& range : kIntegers) {
    if (name != range.name) continue;
    if (!value.is_number()) return "not a number";
    const double number = value.get<double>();
    if (std::trunc(number) != number) return "not an integer";
    if (number < range.minimum || number > range.maximum) return "out of the range of " + name;
    return std::nullopt;
  }
  return "of unknown primitive type " + name;
}

std::optional<std::string> checkConstraints(const json& value, const json& constraints) {
  if (!constraints.is_object()) return std::nullopt;
  if (value.is_number()) {
    const double number = value.get<double>();
    const json* minimum = constraints.contains("minimum") ? &constraints["minimum"] : nullptr;
    const json* maximum = constraints.contains("maximum") ? &constraints["maximum"] : nullptr;
    const json* step = constraints.contains("step") ? &constraints["step"] : nullptr;
    if (minimum && minimum->is_number() && number < minimum->get<double>())
      return "below the minimum " + minimum->dump();
    if (maximum && maximum->is_number() && number > maximum->get<double>())
      return "above the maximum " + maximum->dump();
    if (step && step->is_number() && step->get<double>() > 0) {
      const double base = minimum && minimum->is_number() ? minimum->get<double>() : 0.0;
      const double steps = (number - base) / step->get<double>();
      if (std::fabs(steps - std::round(steps)) > 1e-9) return "not a multiple of the step " + step->dump();
    }
  }
  if (value.is_string()) {
    const json* maxCharacters = constraints.contains("maxCharacters") ? &constraints["maxCharacters"] : nullptr;
    if (maxCharacters && maxCharacters->is_number_unsigned() &&
        characterCount(value.get_ref<const std::string&>()) > maxCharacters->get<std::size_t>())
      return "longer than " + maxCharacters->dump() + " characters";
  }
  return std::nullopt;
}

std::optional<std::string> checkOne(const json& value, const json* typeName, const ClassCatalogue& catalogue,
                                    int depth);

std::optional<std::string> checkStruct(const json& value, const json& type, const ClassCatalogue& catalogue,
                                       int depth) {
  if (!value.is_object()) return "not an object of type " + type.at("name").get<std::string>();
  const json& whole = *catalogue.datatypeWithInherited(type.at("name").get_ref<const std::string&>());
  for (const json& field : whole.at("fields")) {
    const std::string& name = field.at("name").get_ref<const std::string&>();
    const json& fieldValue = value.contains(name) ? value.at(name) : json();
    ValueRules rules = rulesOf(field);
    if (fieldValue.is_null()) {
      if (!rules.isNullable) return "field " + name + " missing or null";
      continue;
    }
    if (rules.isSequence) {
      if (!fieldValue.is_array()) return "field " + name + " not a sequence";
      for (const json& item : fieldValue)
        if (auto why = checkOne(item, rules.typeName, catalogue, depth + 1)) return "field " + name + ": " + *why;
    } else if (auto why = checkOne(fieldValue, rules.typeName, catalogue, depth + 1)) {
      return "field " + name + ": " + *why;
    }
  }
  return std::nullopt;
}

// Datatypes nest only a few levels; a bound keeps a malformed catalogue from recursing.
constexpr int kMaxTypeDepth = 16;

std::optional<std::string> checkOne(const json& value, const json* typeName, const ClassCatalogue& catalogue,
                                    int depth) {
  if (!typeName || !typeName->is_string()) return std::nullopt;  // any type
  if (depth > kMaxTypeDepth) return "nested too deeply";
  const std::string& name = typeName->get_ref<const std::string&>();
  const json* type = catalogue.findDatatype(name);
  if (!type) return "of unknown type " + name;
  std::optional<std::string> why;
  switch (type->at("type").get<int>()) {
    case 0:
      why = checkPrimitive(value, name);
      break;
    case 1: {
      const bool sequence = type->value("isSequence", false);
      if (sequence) {
        if (!value.is_array()) return "not a sequence of type " + name;
        for (const json& item : value)
          if ((why = checkOne(item, &type->at("parentType"), catalogue, depth + 1))) break;
      } else {
        why = checkOne(value, &type->at("parentType"), catalogue, depth + 1);
      }
      break;
    }
    case 2:
      why = checkStruct(value, *type, catalogue, depth);
      break;
    case 3: {
      if (!value.is_number_integer()) return "not an item of " + name;
      bool found = false;
      for (const json& item : type->at("items")) found = found || item.at("value") == value;
      if (!found) return "not an item of " + name;
      break;
    }
    default:
      return "of unknown kind of type " + name;
  }
  if (why) return why;
  return checkConstraints(value, type->contains("constraints") ? type->at("constraints") : json());
}

}  // namespace

ValueRules rulesOf(const nlohmann::json& descriptor) {
  ValueRules rules;
  rules.typeName = descriptor.contains("typeName") ? &descriptor.at("typeName") : nullptr;
  rules.isNullable = descriptor.value("isNullable", false);
  rules.isSequence = descriptor.value("isSequence", false);
  rules.constraints = descriptor.contains("constraints") ? &descriptor.at("constraints") : nullptr;
  return rules;
}

std::optional<std::string> checkValue(const nlohmann::json& value, const ValueRules& rules,
                                      const ClassCatalogue& catalogue) {
  if (value.is_null()) return rules.isNullable ? std::nullopt : std::optional<std::string>("null is not allowed");
  const auto checkItem = [&](const json& item) -> std::optional<std::string> {
    if (auto why = checkOne(item, rules.typeName, catalogue, 0)) return why;
    if (rules.constraints)
      if (auto why = checkConstraints(item, *rules.constraints)) return why;
    if (rules.runtimeConstraints)
      if (auto why = checkConstraints(item, *rules.runtimeConstraints)) return why;
    return std::nullopt;
  };
  if (!rules.isSequence) return checkItem(value);
  if (!value.is_array()) return "not a sequence";
  for (const json& item : value)
    if (auto why = checkItem(item)) return why;
  return std::nullopt;
}

std::size_t characterCount(const std::string& utf8) {
  std::size_t count = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

}  // namespace velkor::node::control
