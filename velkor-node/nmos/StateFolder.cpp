#include "StateFolder.h"

#include <system_error>

#include "DeviceId.h"
#include "FileRead.h"
#include "SafeSave.h"

namespace velkor::node {
namespace {

constexpr const char* kNodeIdFile = "node-id";
// A UUID, a line end, and room for stray blanks.
constexpr std::size_t kNodeIdFileLimit = 64;

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

NodeIdResult loadOrCreateNodeId(const std::filesystem::path& folder) {
  const std::filesystem::path file = folder / kNodeIdFile;
  const BoundedRead read = readRegularFile(file, kNodeIdFileLimit, Links::Refuse);
  if (read.outcome == BoundedRead::Outcome::Read) {
    const std::string id = trimmed(read.bytes);
    if (isResourceId(id)) return {id, {}};
  }
  // Missing or not an id: a new id, which this run uses even if it cannot be kept.
  NodeIdResult result{randomUuid(), {}};
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    result.problem = "cannot make the state folder " + folder.string() + ": " + error.message();
    return result;
  }
  const SaveTarget target = inspectSaveTarget(file);
  result.problem = target.problem.empty() ? writeSaveTarget(target, result.id + "\n") : target.problem;
  return result;
}

}  // namespace velkor::node
