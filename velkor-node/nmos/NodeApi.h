#pragma once
// The IS-04 v1.3 Node API over the resource store: the API's paths, GET, HEAD and
// OPTIONS (with the CORS headers browsers and the NMOS tools expect), and an NMOS error
// body for every other request.

#include "HttpServer.h"
#include "ResourceStore.h"

namespace velkor::node {

class NodeApi {
 public:
  explicit NodeApi(const ResourceStore& store) : store_(store) {}
  http::Response handle(const http::Request& request) const;

 private:
  const ResourceStore& store_;
};

}  // namespace velkor::node
