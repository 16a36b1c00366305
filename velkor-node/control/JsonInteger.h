#pragma once
// An integer read from a controller's JSON only when it holds one that fits the type it
// is read into. A plain get<int>() wraps 4294967296 to 0, so that a value no controller
// may send would pass for one it may.

#include <concepts>
#include <cstdint>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>

namespace velkor::node::control {

template <std::integral Integer>
std::optional<Integer> exactInteger(const nlohmann::json& value) {
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    if (!std::in_range<Integer>(number)) return std::nullopt;
    return static_cast<Integer>(number);
  }
  if (value.is_number_integer()) {
    const auto number = value.get<std::int64_t>();
    if (!std::in_range<Integer>(number)) return std::nullopt;
    return static_cast<Integer>(number);
  }
  return std::nullopt;
}

}  // namespace velkor::node::control
