#include "HttpMessages.h"

#include <boost/beast/http/field.hpp>

namespace velkor::node::http {
namespace {

namespace bhttp = boost::beast::http;

std::string jsonString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      quoted += ' ';
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace

Response errorResponse(unsigned status, const std::string& error, unsigned httpVersion) {
  Response response{static_cast<bhttp::status>(status), httpVersion};
  response.set(bhttp::field::content_type, "application/json");
  response.set(bhttp::field::access_control_allow_origin, "*");
  response.body() = "{\"code\": " + std::to_string(status) + ", \"error\": " + jsonString(error) + ", \"debug\": null}";
  return response;
}

}  // namespace velkor::node::http
