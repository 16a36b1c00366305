#include "DnsSdBrowse.h"

#include <arpa/nameser.h>
#include <netinet/in.h>
#include <resolv.h>

#include <array>
#include <functional>

namespace velkor::node {
namespace {

// Large enough for any answer over UDP with EDNS, and for the TCP retries of larger ones.
constexpr std::size_t kAnswerSize = 16 * 1024;
constexpr int kRetransSeconds = 2;
constexpr int kRetries = 1;
// RFC 2782: SRV data is priority, weight and port (two bytes each), then the target.
constexpr std::size_t kSrvFixedLength = 6;

// Each record of the answer section of `type` for `name`, with the message and rdata.
void eachAnswer(res_state state, const std::string& name, int type,
                const std::function<void(const ns_msg&, const ns_rr&)>& take) {
  std::array<unsigned char, kAnswerSize> answer{};
  const int length = res_nquery(state, name.c_str(), ns_c_in, type, answer.data(), static_cast<int>(answer.size()));
  if (length <= 0 || static_cast<std::size_t>(length) > answer.size()) return;
  ns_msg message;
  if (ns_initparse(answer.data(), length, &message) != 0) return;
  const int count = ns_msg_count(message, ns_s_an);
  for (int i = 0; i < count; ++i) {
    ns_rr record;
    if (ns_parserr(&message, ns_s_an, i, &record) != 0) continue;
    if (ns_rr_type(record) == type) take(message, record);
  }
}

std::string expandName(const ns_msg& message, const unsigned char* at) {
  std::array<char, NS_MAXDNAME> name{};
  if (dn_expand(ns_msg_base(message), ns_msg_end(message), at, name.data(), static_cast<int>(name.size())) < 0)
    return {};
  return name.data();
}

}  // namespace

std::map<std::string, std::string> parseTxt(const unsigned char* rdata, std::size_t length) {
  std::map<std::string, std::string> txt;
  std::size_t at = 0;
  while (at < length) {
    const std::size_t size = rdata[at++];
    if (size > length - at) break;
    const std::string entry(reinterpret_cast<const char*>(rdata + at), size);
    at += size;
    const std::size_t equals = entry.find('=');
    if (entry.empty() || equals == 0) continue;
    // The first occurrence of a key counts (RFC 6763, 6.4).
    if (equals == std::string::npos)
      txt.emplace(entry, "");
    else
      txt.emplace(entry.substr(0, equals), entry.substr(equals + 1));
  }
  return txt;
}

std::vector<ServiceAdvert> browseUnicast(const std::string& serviceType, const std::vector<std::string>& domains) {
  std::vector<ServiceAdvert> found;
  struct __res_state state {};
  if (res_ninit(&state) != 0) return found;
  state.retrans = kRetransSeconds;
  state.retry = kRetries;

  std::vector<std::string> searched = domains;
  if (searched.empty())
    for (int i = 0; i < MAXDNSRCH && state.dnsrch[i] != nullptr; ++i) searched.emplace_back(state.dnsrch[i]);

  for (const std::string& domain : searched) {
    std::vector<std::string> instances;
    eachAnswer(&state, serviceType + "." + domain, ns_t_ptr, [&](const ns_msg& message, const ns_rr& record) {
      const std::string instance = expandName(message, ns_rr_rdata(record));
      if (!instance.empty()) instances.push_back(instance);
    });
    for (const std::string& instance : instances) {
      ServiceAdvert advert;
      eachAnswer(&state, instance, ns_t_srv, [&](const ns_msg& message, const ns_rr& record) {
        if (ns_rr_rdlen(record) < kSrvFixedLength || !advert.host.empty()) return;
        advert.port = ns_get16(ns_rr_rdata(record) + 4);
        advert.host = expandName(message, ns_rr_rdata(record) + kSrvFixedLength);
      });
      eachAnswer(&state, instance, ns_t_txt, [&](const ns_msg&, const ns_rr& record) {
        if (advert.txt.empty()) advert.txt = parseTxt(ns_rr_rdata(record), ns_rr_rdlen(record));
      });
      if (!advert.host.empty()) found.push_back(std::move(advert));
    }
  }
  res_nclose(&state);
  return found;
}

}  // namespace velkor::node
