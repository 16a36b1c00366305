#pragma once
// One controller session on one strict converter's model, with the messages it sent.
// Its kept values are in memory, or in a keeper of the test's own whose answers come
// through an io_context.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <nlohmann/json.hpp>

#include "ControlSession.h"
#include "ConverterModel.h"
#include "MemoryKeeper.h"
#include "StrictConverter.h"

namespace velkor::node::testing {

struct SessionFixture {
  explicit SessionFixture(std::uint16_t versionNumber, bool readOnly = false, control::Permissions permissions = {})
      : SessionFixture(versionNumber, readOnly, nullptr, nullptr, std::move(permissions)) {}
  // Kept values in `keeper`, which answers through `io`.
  SessionFixture(std::uint16_t versionNumber, control::ValueKeeper& keeper, boost::asio::io_context& io)
      : SessionFixture(versionNumber, false, &keeper, &io, {}) {}
  ~SessionFixture() { converter.unlisten(listenId); }

  // Sends one command; its handle.
  int send(int oid, control::ElementId method, nlohmann::json arguments) {
    const int handle = ++lastHandle;
    session.receive(nlohmann::json{{"messageType", 0},
                                   {"commands",
                                    {{{"handle", handle},
                                      {"oid", oid},
                                      {"methodId", method.toJson()},
                                      {"arguments", std::move(arguments)}}}}}
                        .dump());
    return handle;
  }
  // Runs one command and answers the converter's exchanges; the result of the command.
  nlohmann::json call(int oid, control::ElementId method, nlohmann::json arguments) {
    const int handle = send(oid, method, std::move(arguments));
    converter.answerAll();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      if (const auto result = resultOf(handle)) return *result;
      if (io == nullptr || std::chrono::steady_clock::now() > deadline) break;
      io->restart();
      io->run_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "no response to handle " << handle;
    return nullptr;
  }
  nlohmann::json get(int oid, control::ElementId property) { return call(oid, {1, 1}, {{"id", property.toJson()}}); }
  nlohmann::json set(int oid, control::ElementId property, nlohmann::json value) {
    return call(oid, {1, 2}, {{"id", property.toJson()}, {"value", std::move(value)}});
  }
  // The oid of the root block's member with this role.
  int oidOf(const std::string& role) {
    const nlohmann::json members = get(control::kRootOid, {2, 2})["value"];
    for (const auto& member : members)
      if (member["role"] == role) return member["oid"];
    ADD_FAILURE() << "no member " << role;
    return 0;
  }
  std::vector<nlohmann::json> notifications() const {
    std::vector<nlohmann::json> found;
    for (const auto& message : sent)
      if (message["messageType"] == 2)
        for (const auto& n : message["notifications"]) found.push_back(n);
    return found;
  }

  StrictConverter converter;
  MemoryKeeper memory;
  control::ConverterModel model;
  control::ControlSession session;
  boost::asio::io_context* io;
  std::vector<nlohmann::json> sent;
  int listenId = 0;
  int lastHandle = 0;

 private:
  SessionFixture(std::uint16_t versionNumber, bool readOnly, control::ValueKeeper* keeper, boost::asio::io_context* io,
                 control::Permissions permissions)
      : converter(versionNumber),
        model(converter, control::ObjectModel::Options{readOnly}, keeper ? *keeper : memory),
        session(model.objects(), [this](std::string text) { sent.push_back(nlohmann::json::parse(text)); },
                std::move(permissions)),
        io(io) {
    model.objects().setChangeListener(
        [this](int oid, control::ElementId id, const nlohmann::json& value) { session.propertyChanged(oid, id, value); });
    listenId = converter.listen([this](const ConverterState&) { model.stateChanged(); });
  }

  std::optional<nlohmann::json> resultOf(int handle) const {
    for (const auto& message : sent)
      if (message["messageType"] == 1 && message["responses"][0]["handle"] == handle)
        return message["responses"][0]["result"];
    return std::nullopt;
  }
};

}  // namespace velkor::node::testing
