// Ids, the resources built from converters, and the Node API's answers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "AcceptedDevices.h"
#include "DeviceId.h"
#include "FakeConverter.h"
#include "NodeApi.h"
#include "ResourceStore.h"
#include "StateFolder.h"

namespace velkor::node {
namespace {

namespace bhttp = boost::beast::http;
using testing::FakeConverter;

ConverterInfo infoOf(const std::string& model, const std::string& identity, const std::string& serial = {}) {
  ConverterInfo info;
  info.modelWord = model;
  info.identity = identity;
  info.serialNumber = serial;
  info.versionNumber = model == "TQ4410" ? kVersionModelA : kVersionModelB;
  info.deviceId = deviceIdOf(model, identity);
  return info;
}

NodeDescription nodeOf() {
  return {"0d5e4f2a-6b1c-4d3e-9f8a-7b6c5d4e3f2a", "rack 4", "rack4", {{"10.0.0.4", 8080}}, {{"eth0", "02-00-00-00-00-04"}}};
}

TEST(DeviceIdTest, FollowsModelAndIdentityOnly) {
  const std::string id = deviceIdOf("TQ4410", "1-1.2:1.0/A4410137");
  EXPECT_TRUE(isResourceId(id));
  EXPECT_EQ(id[14], '5');  // name-based, SHA-1
  EXPECT_EQ(id, deviceIdOf("TQ4410", "1-1.2:1.0/A4410137"));
  EXPECT_NE(id, deviceIdOf("TQ4410", "1-1.3:1.0/A4410137"));
  EXPECT_NE(id, deviceIdOf("TQ6630", "1-1.2:1.0/A4410137"));
  EXPECT_TRUE(isResourceId(randomUuid()));
  EXPECT_NE(randomUuid(), randomUuid());
}

TEST(StateFolderTest, KeepsTheNodeIdAndReplacesAnythingElse) {
  const auto folder = std::filesystem::temp_directory_path() / ("velkor-node-state-" + randomUuid());
  const NodeIdResult first = loadOrCreateNodeId(folder / "deeper");
  ASSERT_TRUE(first.problem.empty()) << first.problem;
  EXPECT_EQ(loadOrCreateNodeId(folder / "deeper").id, first.id);

  std::ofstream(folder / "deeper" / "node-id") << "not an id\n";
  const NodeIdResult replaced = loadOrCreateNodeId(folder / "deeper");
  EXPECT_TRUE(isResourceId(replaced.id));
  EXPECT_NE(replaced.id, first.id);
  EXPECT_EQ(loadOrCreateNodeId(folder / "deeper").id, replaced.id);
  std::filesystem::remove_all(folder);
}

TEST(ResourceStoreTest, DeviceShowsModelNameIdentityAndControlEndpoint) {
  ResourceStore store(nodeOf());
  FakeConverter converter(infoOf("TQ4410", "1-1.2:1.0/A4410137", "A4410137"));
  std::vector<std::string> told;
  store.listen([&](const std::string& id, const nlohmann::json* resource) {
    told.push_back(id + (resource ? " " + (*resource)["label"].get<std::string>() : " gone"));
  });
  store.addDevice(converter);
  const nlohmann::json& device = *store.device(converter.info().deviceId);
  EXPECT_EQ(device["label"], "TQ4410");
  EXPECT_EQ(device["node_id"], nodeOf().id);
  EXPECT_EQ(device["type"], "urn:x-nmos:device:generic");
  EXPECT_EQ(device["controls"][0]["type"], "urn:x-nmos:control:ncp/v1.0");
  EXPECT_EQ(device["controls"][0]["href"], "ws://10.0.0.4:8080/x-nmos/ncp/v1.0/connect/" + converter.info().deviceId);
  EXPECT_NE(device["description"].get<std::string>().find("1-1.2:1.0/A4410137"), std::string::npos);
  EXPECT_EQ(store.self()["api"]["endpoints"][0]["protocol"], "http");

  // Served over TLS, every way in says so.
  NodeDescription secure = nodeOf();
  secure.tls = true;
  const nlohmann::json secureDevice = deviceResource(secure, converter.info(), converter.state(), "1:0");
  EXPECT_EQ(secureDevice["controls"][0]["href"],
            "wss://10.0.0.4:8080/x-nmos/ncp/v1.0/connect/" + converter.info().deviceId);
  const nlohmann::json secureNode = nodeResource(secure, "1:0");
  EXPECT_EQ(secureNode["api"]["endpoints"][0]["protocol"], "https");
  EXPECT_EQ(secureNode["href"], "https://10.0.0.4:8080/");

  // The first answered poll names it and gives its firmware: a new version.
  const std::string firstVersion = device["version"];
  ConverterState state;
  state.answering = true;
  state.exchanges = 1;
  state.block.assign(sizeof(StatusBlockA), 0);
  state.block[offsetof(StatusBlockA, firmwareHigh)] = 1;
  state.block[offsetof(StatusBlockA, firmwareLow)] = 3;
  state.name = u"Studio A";
  converter.read(state);
  const nlohmann::json& named = *store.device(converter.info().deviceId);
  EXPECT_EQ(named["label"], "TQ4410 Studio A");
  EXPECT_NE(named["description"].get<std::string>().find("firmware Ver 0.1.0.3"), std::string::npos);
  EXPECT_NE(named["version"], firstVersion);

  // A poll that reads the same changes nothing.
  state.exchanges = 2;
  converter.read(state);
  store.removeDevice(converter.info().deviceId);
  EXPECT_EQ(store.device(converter.info().deviceId), nullptr);
  EXPECT_EQ(told, (std::vector<std::string>{converter.info().deviceId + " TQ4410",
                                            converter.info().deviceId + " TQ4410 Studio A",
                                            converter.info().deviceId + " gone"}));
}

TEST(NodeApiTest, AnswersItsPathsAndRefusesEverythingElse) {
  ResourceStore store(nodeOf());
  FakeConverter converter(infoOf("TQ6630", "1-1.3:1.0"));
  store.addDevice(converter);
  const NodeApi api(store);
  const std::string device = "/x-nmos/node/v1.3/devices/" + converter.info().deviceId;
  struct Case {
    bhttp::verb method;
    std::string target;
    unsigned status;
  } cases[] = {
      {bhttp::verb::get, "/", 200},
      {bhttp::verb::get, "/x-nmos", 200},
      {bhttp::verb::get, "/x-nmos/node/v1.3/", 200},
      {bhttp::verb::get, "/x-nmos/node/v1.3/self", 200},
      {bhttp::verb::get, "/x-nmos/node/v1.3/self/?x=1", 200},
      {bhttp::verb::head, "/x-nmos/node/v1.3/devices", 200},
      {bhttp::verb::get, device, 200},
      {bhttp::verb::options, device, 200},
      {bhttp::verb::get, "/x-nmos/node/v1.3/senders", 200},
      {bhttp::verb::get, "/x-nmos/node/v1.3/devices/0d5e4f2a-6b1c-4d3e-9f8a-7b6c5d4e3f2a", 404},
      {bhttp::verb::get, "/x-nmos/node/v1.2/self", 404},
      {bhttp::verb::get, "/x-nmos/node/v1.3/nothing", 404},
      {bhttp::verb::put, "/x-nmos/node/v1.3/receivers/abc/target", 404},
      {bhttp::verb::post, "/x-nmos/node/v1.3/self", 405},
      {bhttp::verb::delete_, device, 405},
  };
  for (const Case& c : cases) {
    http::Request request{c.method, c.target, 11};
    const http::Response response = api.handle(request);
    EXPECT_EQ(response.result_int(), c.status) << c.target;
    EXPECT_EQ(response[bhttp::field::access_control_allow_origin], "*") << c.target;
    if (c.status >= 400) {
      const auto error = nlohmann::json::parse(response.body());
      EXPECT_EQ(error["code"], c.status) << c.target;
      EXPECT_TRUE(error["error"].is_string()) << c.target;
    }
  }
  http::Request get{bhttp::verb::get, device, 11};
  EXPECT_EQ(nlohmann::json::parse(api.handle(get).body())["id"], converter.info().deviceId);
}

}  // namespace
}  // namespace velkor::node
