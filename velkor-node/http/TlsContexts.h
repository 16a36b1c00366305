#pragma once
// The node's TLS: the certificate chain and private key its server presents, and what
// its client trusts when it talks to a registry over HTTPS. Both speak TLS 1.2 and 1.3
// only, with the cipher suites NMOS equipment agrees on, in their order of preference,
// so that any controller or registry of the installation finds one in common.

#include <boost/asio/ssl/context.hpp>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace velkor::node::http {

struct TlsFiles {
  std::filesystem::path certificateChain;  // PEM: the node's certificate first, then its intermediates
  std::filesystem::path privateKey;        // PEM, not encrypted: a service has nobody to type a passphrase
  std::filesystem::path trustedCa;         // PEM; empty: the system's trust store
};

struct TlsContexts {
  std::shared_ptr<boost::asio::ssl::context> server;
  std::shared_ptr<boost::asio::ssl::context> client;
  // The name the certificate gives the node (its first DNS subjectAltName, else its
  // common name): what clients check, so what the node's URLs must name.
  std::string serverName;
  std::string problem;                // set when there are no contexts: the file and what is wrong with it
  std::vector<std::string> warnings;  // served anyway, but worth the administrator's look
};

TlsContexts loadTlsContexts(const TlsFiles& files);

// The client's context alone, for a node that serves no TLS but reaches HTTPS servers
// (an authorization server): `problem` set when there is none.
TlsContexts loadTlsClient(const std::filesystem::path& trustedCa);

}  // namespace velkor::node::http
