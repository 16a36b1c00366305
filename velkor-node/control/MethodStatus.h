#pragma once
// The result codes a control command answers with, and the result object that carries
// them: a value on success, a message on every failure, so that no failure ever reads
// as success to a controller.

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace velkor::node::control {

enum class MethodStatus : int {
  Ok = 200,
  BadCommandFormat = 400,
  Unauthorized = 401,
  BadOid = 404,
  Readonly = 405,
  InvalidRequest = 406,
  Conflict = 409,
  BufferOverflow = 413,
  IndexOutOfBounds = 414,
  ParameterError = 417,
  Locked = 423,
  DeviceError = 500,
  MethodNotImplemented = 501,
  PropertyNotImplemented = 502,
  NotReady = 503,
  Timeout = 504,
};

struct MethodResult {
  MethodStatus status = MethodStatus::Ok;
  nlohmann::json value;  // meaningful only when status is Ok
  std::string errorMessage;

  static MethodResult ok(nlohmann::json value = nullptr) { return {MethodStatus::Ok, std::move(value), {}}; }
  static MethodResult fail(MethodStatus status, std::string message) { return {status, nullptr, std::move(message)}; }
  bool isOk() const { return status == MethodStatus::Ok; }
  nlohmann::json toJson() const;
};

// Every method answers through one of these, once: some answer only after the converter
// has.
using Reply = std::function<void(MethodResult)>;

}  // namespace velkor::node::control
