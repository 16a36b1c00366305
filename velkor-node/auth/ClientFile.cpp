#include "ClientFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "FileRead.h"
#include "SafeSave.h"

namespace velkor::node::auth {
namespace {

constexpr const char* kClientFile = "oauth-client";
constexpr std::size_t kClientFileLimit = 4096;
constexpr mode_t kOwnerOnly = 0600;

}  // namespace

std::optional<OAuthClient> loadClient(const std::filesystem::path& stateDir) {
  const BoundedRead read = readRegularFile(stateDir / kClientFile, kClientFileLimit, Links::Refuse);
  if (read.outcome != BoundedRead::Outcome::Read) return std::nullopt;
  const nlohmann::json saved = nlohmann::json::parse(read.bytes, nullptr, false);
  if (!saved.is_object() || !saved.contains("client_id") || !saved["client_id"].is_string() ||
      saved["client_id"].get_ref<const std::string&>().empty())
    return std::nullopt;
  OAuthClient client{saved["client_id"].get<std::string>(), {}};
  if (saved.contains("client_secret") && saved["client_secret"].is_string())
    client.secret = saved["client_secret"].get<std::string>();
  return client;
}

std::string saveClient(const std::filesystem::path& stateDir, const OAuthClient& client) {
  std::error_code error;
  std::filesystem::create_directories(stateDir, error);
  if (error) return "cannot make the state folder " + stateDir.string() + ": " + error.message();
  const std::filesystem::path file = stateDir / kClientFile;
  // Made empty and private first: the save keeps a file's permissions, so the secret is
  // never readable by others, not even for a moment.
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kOwnerOnly);
  if (fd >= 0)
    ::close(fd);
  else if (errno != EEXIST)
    return file.string() + ": " + std::strerror(errno);
  const nlohmann::json saved = {{"client_id", client.id}, {"client_secret", client.secret}};
  const SaveTarget target = inspectSaveTarget(file);
  return target.problem.empty() ? writeSaveTarget(target, saved.dump() + "\n") : target.problem;
}

}  // namespace velkor::node::auth
