// Which registries and authorization servers a node uses, in which order; and the TXT
// records DNS-SD gives.

#include <gtest/gtest.h>

#include "DnsSdBrowse.h"
#include "ServiceChoice.h"

namespace velkor::node {
namespace {

ServiceAdvert advert(const std::string& host, unsigned port, const std::string& pri, const std::string& ver = "v1.3",
                      const std::string& proto = "http", const std::string& auth = "false") {
  return {host, port, {{"pri", pri}, {"api_ver", ver}, {"api_proto", proto}, {"api_auth", auth}}};
}

const ServiceWanted kPlainRegistry{"v1.3", {"http"}, false};

std::vector<unsigned> portsOf(const std::vector<ServiceCandidate>& chosen) {
  std::vector<unsigned> ports;
  for (const ServiceCandidate& c : chosen) ports.push_back(c.port);
  return ports;
}

TEST(ServiceChoiceTest, KeepsUsableRegistriesByPriority) {
  const std::vector<ServiceAdvert> adverts = {
      advert("mocks", 5106, "60"),
      advert("mocks", 5101, "10", "v9.0"),            // another version
      advert("mocks", 5101, "10", "v1.3", "invalid"),  // another protocol
      advert("mocks", 5107, "5", "v1.3", "https"),
      advert("mocks", 5108, "5", "v1.3", "http", "true"),  // needs authorization
      advert("mocks", 5109, "x"),                          // no usable priority
      advert("mocks", 5102, "20", "v1.2,v1.3"),
      advert("timeout", 444, "55"),
      advert("mocks", 5103, "30", "v1.0,v1.3,v2.0"),
      advert("mocks", 5102, "20"),  // the same registry found twice
  };
  std::mt19937 random(7);
  EXPECT_EQ(portsOf(chooseServices(adverts, kPlainRegistry, random)), (std::vector<unsigned>{5102, 5103, 444, 5106}));
  // A node that serves TLS uses only the registries that do; one with authorization,
  // only those that ask for it.
  EXPECT_EQ(portsOf(chooseServices(adverts, {"v1.3", {"https"}, false}, random)), std::vector<unsigned>{5107});
  EXPECT_EQ(portsOf(chooseServices(adverts, {"v1.3", {"http"}, true}, random)), std::vector<unsigned>{5108});
}

TEST(ServiceChoiceTest, AuthorizationServersByVersionAndEitherProtocol) {
  const std::vector<ServiceAdvert> adverts = {
      {"auth-a", 443, {{"pri", "10"}, {"api_ver", "v1.0"}, {"api_proto", "https"}}},
      {"auth-b", 80, {{"pri", "0"}, {"api_ver", "v1.0"}, {"api_proto", "http"}}},
      {"auth-c", 443, {{"pri", "0"}, {"api_ver", "v2.0"}, {"api_proto", "https"}}},
  };
  std::mt19937 random(3);
  const std::vector<ServiceCandidate> chosen = chooseServices(adverts, {"v1.0", {"https", "http"}, std::nullopt}, random);
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0].host, "auth-b");
  EXPECT_EQ(chosen[1].host, "auth-a");
  EXPECT_EQ(chosen[1].txt.at("api_proto"), "https");
}

TEST(ServiceChoiceTest, ShufflesServicesOfOnePriority) {
  std::vector<ServiceAdvert> adverts;
  for (unsigned port = 5000; port < 5008; ++port) adverts.push_back(advert("r", port, "0"));
  adverts.push_back(advert("r", 4000, "1"));
  std::set<unsigned> firsts;
  for (unsigned seed = 0; seed < 20; ++seed) {
    std::mt19937 random(seed);
    const auto chosen = chooseServices(adverts, kPlainRegistry, random);
    ASSERT_EQ(chosen.size(), 9u);
    EXPECT_EQ(chosen.back().port, 4000u);
    firsts.insert(chosen.front().port);
  }
  EXPECT_GT(firsts.size(), 1u);
}

TEST(DnsSdTxtTest, ReadsKeyValueStringsAndStopsAtAShortRecord) {
  const std::string wire = std::string("\x0a" "api_ver=v1", 11) + std::string("\x05pri=1", 6) +
                           std::string("\x04" "flag", 5) + std::string("\x05pri=9", 6) + std::string("\x09short", 6);
  const auto txt = parseTxt(reinterpret_cast<const unsigned char*>(wire.data()), wire.size());
  EXPECT_EQ(txt.at("api_ver"), "v1");
  EXPECT_EQ(txt.at("pri"), "1");  // the first of a key counts
  EXPECT_EQ(txt.at("flag"), "");
  EXPECT_EQ(txt.count("short"), 0u);
}

}  // namespace
}  // namespace velkor::node
