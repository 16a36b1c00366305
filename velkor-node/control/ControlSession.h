#pragma once
// One controller's conversation with one converter's device model, without the
// transport: text messages in, text messages out. Commands are answered by handle, those
// ready at once in one message for the whole command message, the others later, once the
// converter has answered; subscriptions kept, notifications sent
// for the objects subscribed to, and every message that cannot be understood answered
// with an error message.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ObjectModel.h"

namespace velkor::node::control {

enum class MessageType : int {
  Command = 0,
  CommandResponse = 1,
  Notification = 2,
  Subscription = 3,
  SubscriptionResponse = 4,
  Error = 5,
};

// Bounds on what one message may ask, so that no client makes the node work without end.
inline constexpr std::size_t kMaxCommandsPerMessage = 64;
inline constexpr std::size_t kMaxSubscriptionsPerMessage = 1024;
inline constexpr int kHandleFirst = 1;
inline constexpr int kHandleLast = 65535;

// What one controller may do, object by object, by role path ("root.output"): read
// (get, subscribe) and change (set, the converter's own methods). Unset: everything.
struct Permissions {
  std::function<bool(const std::string& rolePath)> read;
  std::function<bool(const std::string& rolePath)> write;
};

class ControlSession {
 public:
  using Send = std::function<void(std::string)>;

  ControlSession(ObjectModel& model, Send send, Permissions permissions = {});
  ControlSession(const ControlSession&) = delete;
  ControlSession& operator=(const ControlSession&) = delete;

  void receive(std::string_view text);
  // A property changed: tell the controller if it subscribed to the object.
  void propertyChanged(int oid, ElementId property, const nlohmann::json& value);
  const std::set<int>& subscriptions() const { return subscriptions_; }

 private:
  void commands(const nlohmann::json& message);
  void subscribe(const nlohmann::json& message);
  void sendError(MethodStatus status, const std::string& message);
  void respond(int handle, const MethodResult& result);
  bool permitted(const ControlObject& object, bool change) const;

  ObjectModel& model_;
  Send send_;
  Permissions permissions_;
  std::set<int> subscriptions_;
  // While a command message is handled: the command response message its answers ready
  // so far make, written out as they come, sent at its end.
  std::optional<std::string> gathered_;
  // Answers that arrive after the session ended are dropped.
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace velkor::node::control
