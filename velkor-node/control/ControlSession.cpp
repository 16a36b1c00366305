#include "ControlSession.h"

#include "JsonInteger.h"

namespace velkor::node::control {
namespace {

using nlohmann::json;

// NcObject's PropertyChanged event and its change type for a whole value.
constexpr ElementId kPropertyChangedEvent{1, 1};
constexpr int kValueChanged = 0;
const json kNoArguments = json::object();

std::optional<int> handleOf(const json& value) {
  const std::optional<int> handle = exactInteger<int>(value);
  if (!handle || *handle < kHandleFirst || *handle > kHandleLast) return std::nullopt;
  return handle;
}

// The oid a command or a subscription names, when it may name an object at all.
std::optional<int> oidOf(const json& value) {
  const std::optional<int> oid = exactInteger<int>(value);
  if (!oid || *oid <= 0) return std::nullopt;
  return oid;
}

std::string dumped(const json& message) { return message.dump(-1, ' ', false, json::error_handler_t::replace); }

// Ends the gathering of a message's answers however its handling ends.
class GatheringEnds {
 public:
  explicit GatheringEnds(std::optional<std::string>& gathered) : gathered_(gathered) {}
  ~GatheringEnds() { gathered_.reset(); }
  GatheringEnds(const GatheringEnds&) = delete;
  GatheringEnds& operator=(const GatheringEnds&) = delete;

 private:
  std::optional<std::string>& gathered_;
};

// What a command response message starts with; its responses follow, separated by
// commas, and it ends with kResponsesEnd.
const std::string& responsesOpening() {
  static const std::string opening =
      R"({"messageType":)" + std::to_string(static_cast<int>(MessageType::CommandResponse)) + R"(,"responses":[)";
  return opening;
}
constexpr std::string_view kResponsesEnd = "]}";

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
  // Read whole: a type past int must not pass for the one it wraps to.
  const std::optional<int> type = exactInteger<int>(message["messageType"]);
  if (type == static_cast<int>(MessageType::Command)) return commands(message);
  if (type == static_cast<int>(MessageType::Subscription)) return subscribe(message);
  sendError(MethodStatus::BadCommandFormat,
            "messageType " + message["messageType"].dump() + " is not one a controller sends");
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
    if (!command.is_object() || !command.contains("handle") || !handleOf(command["handle"]))
      return sendError(MethodStatus::BadCommandFormat, "every command needs a handle from 1 to 65535");
  // The answers ready before the message is done travel together, in one message: a
  // second small message would wait for the controller's acknowledgement of the first.
  // Those the converter gives later go as they come.
  gathered_.emplace(responsesOpening());
  const GatheringEnds ends(gathered_);
  for (const json& command : commands) {
    const int handle = *handleOf(command["handle"]);
    if (!command.contains("oid") || !command["oid"].is_number_integer() || !command.contains("methodId")) {
      respond(handle, MethodResult::fail(MethodStatus::BadCommandFormat, "a command needs an oid and a methodId"));
      continue;
    }
    const std::optional<int> oid = oidOf(command["oid"]);
    const json& arguments = command.contains("arguments") ? command["arguments"] : kNoArguments;
    // An object the controller may not touch this way is refused before anything is
    // checked or sent; an object there is not stays the model's to answer (404).
    if (const ControlObject* object = oid ? model_.find(*oid) : nullptr) {
      const bool change = model_.changes(*object, command["methodId"]);
      if (!permitted(*object, change)) {
        respond(handle, MethodResult::fail(MethodStatus::Unauthorized, std::string("no ") + (change ? "write" : "read") +
                                                                            " right for " + model_.dottedRolePath(*object)));
        continue;
      }
    }
    try {
      model_.invoke(oid.value_or(0), command["methodId"], arguments,
                    [this, alive = std::weak_ptr<const bool>(alive_), handle](MethodResult result) {
                      if (alive.lock()) respond(handle, result);
                    });
    } catch (const json::exception& e) {
      // Arguments are checked against their descriptors first; this is the net below.
      respond(handle, MethodResult::fail(MethodStatus::BadCommandFormat, std::string("bad arguments: ") + e.what()));
    }
  }
  if (gathered_->size() > responsesOpening().size()) send_(std::move(gathered_->append(kResponsesEnd)));
}

void ControlSession::subscribe(const nlohmann::json& message) {
  if (!message.contains("subscriptions") || !message["subscriptions"].is_array())
    return sendError(MethodStatus::BadCommandFormat, "a subscription message needs a subscriptions array");
  const json& oids = message["subscriptions"];
  if (oids.size() > kMaxSubscriptionsPerMessage)
    return sendError(MethodStatus::BufferOverflow,
                     "at most " + std::to_string(kMaxSubscriptionsPerMessage) + " subscriptions a message");
  std::set<int> wanted;
  for (const json& value : oids) {
    if (!value.is_number_integer()) return sendError(MethodStatus::BadCommandFormat, "an oid is an integer");
    // Only objects there are, and that the controller may read: the set never grows
    // beyond the model.
    const std::optional<int> oid = oidOf(value);
    const ControlObject* object = oid ? model_.find(*oid) : nullptr;
    if (object && permitted(*object, false)) wanted.insert(*oid);
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
  send_(dumped(json{{"messageType", MessageType::Notification}, {"notifications", json::array({notification})}}));
}

void ControlSession::sendError(MethodStatus status, const std::string& message) {
  send_(dumped(json{{"messageType", MessageType::Error}, {"status", static_cast<int>(status)}, {"errorMessage", message}}));
}

// Each response is written out as it comes: a message of many large answers never
// holds them all as JSON at once.
void ControlSession::respond(int handle, const MethodResult& result) {
  const std::string response = dumped(json{{"handle", handle}, {"result", result.toJson()}});
  if (!gathered_) return send_(responsesOpening() + response + std::string(kResponsesEnd));
  if (gathered_->size() > responsesOpening().size()) gathered_->push_back(',');
  gathered_->append(response);
}

}  // namespace velkor::node::control
