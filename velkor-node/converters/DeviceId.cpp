#include "DeviceId.h"

#include <boost/uuid/name_generator_sha1.hpp>
#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <regex>

namespace velkor::node {
namespace {

// The namespace of every converter's device id; changing it changes every id that
// facilities hold, so it never changes.
constexpr boost::uuids::uuid kConverterNamespace{
    {0x6f, 0x1c, 0x2a, 0x4e, 0x93, 0x57, 0x4b, 0x0d, 0xa2, 0x61, 0x5e, 0x08, 0xc4, 0x7b, 0x3f, 0x19}};

}  // namespace

std::string deviceIdOf(const std::string& modelWord, const std::string& identity) {
  boost::uuids::name_generator_sha1 generate(kConverterNamespace);
  return boost::uuids::to_string(generate(modelWord + "/" + identity));
}

std::string randomUuid() {
  boost::uuids::random_generator generate;
  return boost::uuids::to_string(generate());
}

bool isResourceId(const std::string& text) {
  static const std::regex kPattern("^[0-9a-f]{8}-[0-9a-f]{4}-[1-5][0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$");
  return std::regex_match(text, kPattern);
}

}  // namespace velkor::node
