#include "ControlSession.h"

namespace velkor::node::control {
namespace {

using nlohmann::json;

// NcObject's PropertyChanged event and its change type for a whole value.
constexpr ElementId kPropertyChangedEvent{1, 1};
constexpr int kValueChanged = 0;

bool isHandle(const json& value) {
  return value.is_number_integer() && value.get<std::int64_t>() >= kHandleFirst &&
         value.get<std::int64_t>() <= kHandleLast;
}

}  // namespace

nlohmann::json MethodResult::toJson() const {
  if (isOk()) return {{"status", static_cast<int>(status)}, {"value", value}};
  return {{"status", static_cast<int>(status)}, {"errorMessage", errorMessage}};
}

ControlSession::ControlSession(ObjectModel& model, Send send, Permissions permissions)
    : model_(model), send_(std::move(send)), permissions_(std::move(permissions)) {}

bool ControlSession::permitted(const ControlObject& object, bool change) const {
  const auto& rule = change ? permissions_.write : permissions_.read;
  return !rule || rule(model_.dottedRolePath(object));
}

void ControlSession::receive(std::string_view text) {
  const json message = json::parse(text, nullptr, false);
  if (message.is_discarded()) return sendError(MethodStatus::BadCommandFormat, "the message is not valid JSON");
  if (!message.is_object() || !message.contains("messageType") || !message["messageType"].is_number_integer())
    return sendError(MethodStatus::BadCommandFormat, "the message has no messageType");
  switch (message["messageType"].get<int>()) {
    case static_cast<int>(MessageType::Command):
      return commands(message);
    case static_cast<int>(MessageType::Subscription):
      return subscribe(message);
    default:
      return sendError(MethodStatus::BadCommandFormat,
                       "messageType " + message["messageType"].dump() + " is not one a controller sends");
  }
}

void ControlSession::commands(const nlohmann::json& message) {
  if (!message.contains("commands") || !message["commands"].is_array())
    return sendError(MethodStatus::BadCommandFormat, "a command message needs a commands array");
  const json& commands = message["commands"];
  if (commands.size() > kMaxCommandsPerMessage)
    return sendError(MethodStatus::BufferOverflow,
                     "at most " + std::to_string(kMaxCommandsPerMessage) + " commands a message");
  // Handles are checked first: a command that cannot be answered by its handle fails
  // the whole message, and no command of it runs.
  for (const json& command : commands)
    if (!command.is_object() || !command.contains("handle") || !isHandle(command["handle"]))
      return sendError(MethodStatus::BadCommandFormat, "every command needs a handle from 1 to 65535");
  for (const json& command : commands) {
    const int handle = command["handle"].get<int>();
    if (!command.contains("oid") || !command["oid"].is_number_integer() || !command.contains("methodId")) {
      respond(handle, MethodResult::fail(MethodStatus::BadCommandFormat, "a command needs an oid and a methodId"));
      continue;
    }
    const std::int64_t oid = command["oid"].get<std::int64_t>();
    const json arguments = command.contains("arguments") ? command["arguments"] : json::object();
    // An object the controller may not touch this way is refused before anything is
    // checked or sent; an object there is not stays the model's to answer (404).
    if (const ControlObject* object = oid > 0 && oid <= INT32_MAX ? model_.find(static_cast<int>(oid)) : nullptr) {
      const bool change = model_.changes(*object, command["methodId"]);
      if (!permitted(*object, change)) {
        respond(handle, MethodResult::fail(MethodStatus::Unauthorized, std::string("no ") + (change ? "write" : "read") +
                                                                            " right for " + model_.dottedRolePath(*object)));
        continue;
      }
    }
    try {
      model_.invoke(oid > 0 && oid <= INT32_MAX ? static_cast<int>(oid) : 0, command["methodId"], arguments,
                    [this, alive = std::weak_ptr<const bool>(alive_), handle](MethodResult result) {
                      if (alive.lock()) respond(handle, result);
                    });
    } catch (const json::exception& e) {
      // Arguments are checked against their descriptors first; this is the net below.
      respond(handle, MethodResult::fail(MethodStatus::BadCommandFormat, std::string("bad arguments: ") + e.what()));
    }
  }
}

void ControlSession::subscribe(const nlohmann::json& message) {
  if (!message.contains("subscriptions") || !message["subscriptions"].is_array())
    return sendError(MethodStatus::BadCommandFormat, "a subscription message needs a subscriptions array");
  const json& oids = message["subscriptions"];
  if (oids.size() > kMaxSubscriptionsPerMessage)
    return sendError(MethodStatus::BufferOverflow,
                     "at most " + std::to_string(kMaxSubscriptionsPerMessage) + " subscriptions a message");
  std::set<int> wanted;
  for (const json& oid : oids) {
    if (!oid.is_number_integer()) return sendError(MethodStatus::BadCommandFormat, "an oid is an integer");
    const std::int64_t value = oid.get<std::int64_t>();
    // Only objects there are: the set never grows beyond the model.
    // Only objects there are, and that the controller may read: the set never grows
    // beyond the model.
    const ControlObject* object = value > 0 && value <= INT32_MAX ? model_.find(static_cast<int>(value)) : nullptr;
    if (object && permitted(*object, false)) wanted.insert(static_cast<int>(value));
  }
  subscriptions_ = std::move(wanted);
  send_(json{{"messageType", MessageType::SubscriptionResponse}, {"subscriptions", subscriptions_}}.dump());
}

void ControlSession::propertyChanged(int oid, ElementId property, const nlohmann::json& value) {
  if (!subscriptions_.contains(oid)) return;
  const json eventData = {{"propertyId", property.toJson()},
                          {"changeType", kValueChanged},
                          {"value", value},
                          {"sequenceItemIndex", nullptr}};
  const json notification = {{"oid", oid}, {"eventId", kPropertyChangedEvent.toJson()}, {"eventData", eventData}};
  send_(json{{"messageType", MessageType::Notification}, {"notifications", json::array({notification})}}.dump(
      -1, ' ', false, json::error_handler_t::replace));
}

void ControlSession::sendError(MethodStatus status, const std::string& message) {
  send_(json{{"messageType", MessageType::Error}, {"status", static_cast<int>(status)}, {"errorMessage", message}}
            .dump(-1, ' ', false, json::error_handler_t::replace));
}

void ControlSession::respond(int handle, const MethodResult& result) {
  const json response = {{"handle", handle}, {"result", result.toJson()}};
  send_(json{{"messageType", MessageType::CommandResponse}, {"responses", json::array({response})}}.dump(
      -1, ' ', false, json::error_handler_t::replace));
}

}  // namespace velkor::node::control
