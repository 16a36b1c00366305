#pragma once
// How the node's APIs are reached, as IS-04 names it in resources and DNS-SD TXT
// (`api_proto`), and the matching scheme of its WebSocket hrefs.

namespace velkor::node {

inline constexpr const char* kProtoHttp = "http";
inline constexpr const char* kProtoHttps = "https";
inline constexpr const char* kSchemeWs = "ws";
inline constexpr const char* kSchemeWss = "wss";

inline const char* apiProto(bool tls) { return tls ? kProtoHttps : kProtoHttp; }
inline const char* webSocketScheme(bool tls) { return tls ? kSchemeWss : kSchemeWs; }

}  // namespace velkor::node
