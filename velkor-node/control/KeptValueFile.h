#pragma once
// The file that keeps, for one converter, what controllers set that the node holds
// itself rather than the converter (user labels, the device manager's inventory code and
// role, a worker's enabled flag, the status monitor's reporting delay): one JSON document
// per converter, named after its device id, so that a restart or a replug finds them
// again. Reading takes only a file the node wrote for that converter and says why it
// refuses any other; writing refuses a document over the size limit.

#include <compare>
#include <cstddef>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "ClassCatalogue.h"
#include "ConverterAccess.h"

namespace velkor::node::control {

// Where one value belongs: the object's role path from the root block, and the property.
struct KeptKey {
  std::vector<std::string> rolePath;
  ElementId property;
  auto operator<=>(const KeptKey&) const = default;
};
using KeptValues = std::map<KeptKey, nlohmann::json>;

// What one converter's file may take: a text of at most this many characters (a run-time
// constraint tells controllers), and a whole file of at most this many bytes, which the
// longest texts of every kept property, escaped, stay well inside.
inline constexpr std::size_t kKeptTextCharacters = 256;
inline constexpr std::size_t kKeptFileBytes = 64 * 1024;

// "role.role property 1p6", for messages.
std::string describe(const KeptKey& key);

struct KeptFileRead {
  KeptValues values;
  std::string problem;  // why the text is no kept-values file of this converter; empty when it is
};
KeptFileRead parseKeptFile(std::string_view text, const std::string& deviceId);

struct KeptFileText {
  std::string text;
  std::string problem;  // set when the document would exceed `limit` bytes
};
KeptFileText keptFileText(const ConverterInfo& converter, const KeptValues& values, std::size_t limit);

}  // namespace velkor::node::control
