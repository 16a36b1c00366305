#include "NodeApi.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace velkor::node {
namespace {

namespace bhttp = boost::beast::http;

constexpr const char* kReadMethods = "GET, HEAD, OPTIONS";
// The collections a node without media has, all empty here.
constexpr std::array<std::string_view, 4> kEmptyCollections{"sources", "flows", "senders", "receivers"};

// What a path names: a JSON document to read.
struct Found {
  nlohmann::json document;
  const char* methods = kReadMethods;
};

std::vector<std::string_view> segments(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    if (!part.empty()) parts.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

http::Response jsonResponse(bhttp::status status, const nlohmann::json& body) {
  http::Response response{status, 11};
  response.set(bhttp::field::content_type, "application/json");
  response.set(bhttp::field::access_control_allow_origin, "*");
  response.body() = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return response;
}

}  // namespace

http::Response NodeApi::handle(const http::Request& request) const {
  const auto raw = request.target();
  std::string_view target(raw.data(), raw.size());
  target = target.substr(0, target.find_first_of("?#"));
  const std::vector<std::string_view> parts = segments(target);

  std::optional<Found> found;
  const auto is = [&](std::initializer_list<std::string_view> expected) {
    return parts.size() == expected.size() && std::equal(parts.begin(), parts.end(), expected.begin());
  };
  if (parts.empty()) {
    found = Found{nlohmann::json{"x-nmos/"}};
  } else if (is({"x-nmos"})) {
    found = Found{nlohmann::json{"node/"}};
  } else if (is({"x-nmos", "node"})) {
    found = Found{nlohmann::json{"v1.3/"}};
  } else if (is({"x-nmos", "node", "v1.3"})) {
    found = Found{nlohmann::json{"self/", "sources/", "flows/", "devices/", "senders/", "receivers/"}};
  } else if (parts.size() >= 4 && parts[0] == "x-nmos" && parts[1] == "node" && parts[2] == "v1.3") {
    const std::string_view collection = parts[3];
    if (parts.size() == 4 && collection == "self") {
      found = Found{store_.self()};
    } else if (parts.size() == 4 && collection == "devices") {
      found = Found{store_.devices()};
    } else if (parts.size() == 5 && collection == "devices") {
      if (const nlohmann::json* device = store_.device(std::string(parts[4]))) found = Found{*device};
    } else if (parts.size() == 4 &&
               std::find(kEmptyCollections.begin(), kEmptyCollections.end(), collection) != kEmptyCollections.end()) {
      found = Found{nlohmann::json::array()};
    }
  }

  if (!found) return http::errorResponse(404, "no such resource");

  const bhttp::verb method = request.method();
  if (method == bhttp::verb::options) {
    http::Response response{bhttp::status::ok, 11};
    response.set(bhttp::field::access_control_allow_origin, "*");
    response.set(bhttp::field::access_control_allow_methods, found->methods);
    std::string headers = "Content-Type, Accept, Authorization";
    if (auto asked = request.find(bhttp::field::access_control_request_headers); asked != request.end()) {
      headers += ", ";
      headers.append(asked->value().data(), asked->value().size());
    }
    response.set(bhttp::field::access_control_allow_headers, headers);
    response.set(bhttp::field::access_control_max_age, "3600");
    return response;
  }
  if (method != bhttp::verb::get && method != bhttp::verb::head) {
    http::Response response = http::errorResponse(405, "method not allowed here");
    response.set(bhttp::field::allow, found->methods);
    return response;
  }
  // HEAD too: the server sends its header alone, with the length GET's body has.
  return jsonResponse(bhttp::status::ok, found->document);
}

}  // namespace velkor::node
