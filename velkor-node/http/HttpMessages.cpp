#include "HttpMessages.h"

#include <boost/beast/http/field.hpp>
#include <nlohmann/json.hpp>

namespace velkor::node::http {

namespace bhttp = boost::beast::http;

Response errorResponse(unsigned status, const std::string& error, unsigned httpVersion) {
  Response response{static_cast<bhttp::status>(status), httpVersion};
  response.set(bhttp::field::content_type, "application/json");
  response.set(bhttp::field::access_control_allow_origin, "*");
  // The error may quote what a client sent, in any bytes: what is not UTF-8 is replaced,
  // so the body stays JSON.
  response.body() = nlohmann::json{{"code", status}, {"error", error}, {"debug", nullptr}}.dump(
      -1, ' ', false, nlohmann::json::error_handler_t::replace);
  return response;
}

}  // namespace velkor::node::http
