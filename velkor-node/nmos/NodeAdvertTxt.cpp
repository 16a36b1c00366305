#include "NodeAdvertTxt.h"

#include "ApiProto.h"

namespace velkor::node {
namespace {

// The Node API this node serves: this one version.
constexpr const char* kApiVersions = "api_ver=v1.3";
constexpr const char* kApiAuthOn = "api_auth=true";
constexpr const char* kApiAuthOff = "api_auth=false";

std::string counter(const char* key, std::uint8_t value) {
  // As a number: an 8-bit value streamed would come out as a character.
  return std::string(key) + "=" + std::to_string(static_cast<unsigned>(value));
}

}  // namespace

std::vector<std::string> nodeAdvertTxt(const ResourceCounters& counters, bool tls, bool authorization) {
  return {std::string("api_proto=") + apiProto(tls),
          kApiVersions,
          authorization ? kApiAuthOn : kApiAuthOff,
          counter("ver_slf", counters.self),
          counter("ver_src", counters.sources),
          counter("ver_flw", counters.flows),
          counter("ver_dvc", counters.devices),
          counter("ver_snd", counters.senders),
          counter("ver_rcv", counters.receivers)};
}

}  // namespace velkor::node
