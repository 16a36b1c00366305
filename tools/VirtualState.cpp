#include "VirtualState.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <system_error>

#include "Descriptor.h"
#include "FileRead.h"
#include "Text.h"

namespace velkor::ctl {
namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

// Three converters take about a kilobyte; anything much larger is not ours.
constexpr std::size_t kLargestFile = 64 * 1024;
constexpr const char* kFolder = "velkorctl";
constexpr const char* kFileName = "virtual-converters.json";
// The file names its own layout, so that a later one is told apart.
constexpr const char* kLayoutKey = "velkorctl-virtual-converters";
constexpr int kLayout = 1;

std::string systemError(int error) { return std::generic_category().message(error); }

std::optional<fs::path> absoluteFolder(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr || value[0] != '/') return std::nullopt;  // relative ones are to be ignored
  return fs::path(value);
}

// Why the file was not read, in words; empty when it was.
std::string readProblem(const BoundedRead& read) {
  switch (read.outcome) {
    case BoundedRead::Outcome::Read:
      return {};
    case BoundedRead::Outcome::OpenFailed:
      if (read.error == ELOOP) return "is a symbolic link";
      break;
    case BoundedRead::Outcome::NotRegular:
      return "is not a regular file";
    case BoundedRead::Outcome::TooLarge:
      return "is larger than " + std::to_string(kLargestFile / 1024) + " KiB";
    case BoundedRead::Outcome::ReadFailed:
      break;
  }
  return "cannot be read: " + systemError(read.error);
}

template <std::size_t N>
bool bytesOf(const Json& object, const char* key, std::array<std::uint8_t, N>& into) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_array() || found->size() != N) return false;
  for (std::size_t i = 0; i < N; ++i) {
    const Json& value = (*found)[i];
    if (!value.is_number_unsigned() || value.get<unsigned>() > 0xFF) return false;
    into[i] = value.get<std::uint8_t>();
  }
  return true;
}

// The converters keep Latin-1 bytes; the file holds them as text.
bool nameOf(const Json& object, std::string& into) {
  const auto found = object.find("name");
  if (found == object.end() || !found->is_string()) return false;
  const std::u16string name = fromUtf8(found->get<std::string>());
  for (const char16_t c : name)
    if (c > 0xFF) return false;
  into = toLatin1(name);
  return true;
}

Json slotJson(const VirtualConverter::Slot& slot) {
  return {{"settings", slot.settings}, {"overlay-items", slot.overlayItems}};
}

Json converterJson(const VirtualConverter& converter) {
  const VirtualConverter::State& state = converter.state;
  const std::u16string name =
      widenLatin1({reinterpret_cast<const std::uint8_t*>(state.name.data()), state.name.size()});
  return {{"path", converter.setup().path},
          {"name", toUtf8(name)},
          {"settings", state.settings},
          {"overlay-items", state.overlayItems},
          {"custom-slots", {slotJson(state.customSlots[0]), slotJson(state.customSlots[1])}}};
}

// What one converter's entry holds; false when any of it is missing or out of range.
bool stateOf(const Json& entry, VirtualConverter::State& state) {
  if (!entry.is_object() || !nameOf(entry, state.name) || !bytesOf(entry, "settings", state.settings) ||
      !bytesOf(entry, "overlay-items", state.overlayItems))
    return false;
  const auto slots = entry.find("custom-slots");
  if (slots == entry.end() || !slots->is_array() || slots->size() != state.customSlots.size()) return false;
  for (std::size_t i = 0; i < state.customSlots.size(); ++i) {
    const Json& slot = (*slots)[i];
    if (!slot.is_object() || !bytesOf(slot, "settings", state.customSlots[i].settings) ||
        !bytesOf(slot, "overlay-items", state.customSlots[i].overlayItems))
      return false;
  }
  return true;
}

// The folder that holds the file: made for this user alone when missing, and refused
// when it is anything but a folder.
std::string prepareFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder.parent_path(), error);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    return "cannot make the folder " + folder.string() + ": " + systemError(errno);
  struct stat status {};
  if (::lstat(folder.c_str(), &status) != 0) return "cannot use the folder " + folder.string() + ": " + systemError(errno);
  if (!S_ISDIR(status.st_mode)) return folder.string() + " is not a folder";
  return {};
}

// Nothing there, or a regular file: anything else (a link, a pipe, a folder) is left
// as it is.
std::string replaceable(const fs::path& file) {
  struct stat status {};
  if (::lstat(file.c_str(), &status) != 0) return errno == ENOENT ? "" : "cannot be used: " + systemError(errno);
  return S_ISREG(status.st_mode) ? "" : "is not a regular file";
}

std::string refusal(const fs::path& file, const std::string& problem) {
  return "the virtual converters' state file " + file.string() + " " + problem;
}

}  // namespace

std::optional<fs::path> virtualStatePath() {
  if (const auto runtime = absoluteFolder("XDG_RUNTIME_DIR")) return *runtime / kFolder / kFileName;
  if (const auto cache = absoluteFolder("XDG_CACHE_HOME")) return *cache / kFolder / kFileName;
  if (const auto home = absoluteFolder("HOME")) return *home / ".cache" / kFolder / kFileName;
  return std::nullopt;
}

std::string restoreVirtualState(const fs::path& file, VirtualTransport& transport) {
  const BoundedRead read = readRegularFile(file, kLargestFile, Links::Refuse);
  if (read.outcome == BoundedRead::Outcome::OpenFailed && read.error == ENOENT) return {};
  const std::string leftAlone = "; the virtual converters start from the demo's state and it is left as it is";
  if (const std::string problem = readProblem(read); !problem.empty()) return refusal(file, problem + leftAlone);
  const Json document = Json::parse(read.bytes, nullptr, false);
  const std::string notOurs = "is not one velkorctl wrote" + leftAlone + " (velkorctl virtual-reset removes it)";
  if (!document.is_object() || document.value(kLayoutKey, 0) != kLayout) return refusal(file, notOurs);
  const auto entries = document.find("converters");
  if (entries == document.end() || !entries->is_array()) return refusal(file, notOurs);

  // All of it or nothing: a file half taken would show a state no run ever left.
  std::map<VirtualConverter*, VirtualConverter::State> taken;
  for (const Json& entry : *entries) {
    if (!entry.is_object() || !entry.contains("path") || !entry["path"].is_string()) return refusal(file, notOurs);
    VirtualConverter* converter = transport.converter(entry["path"].get<std::string>());
    if (converter == nullptr) continue;  // a converter the demo no longer has
    VirtualConverter::State state = converter->state;
    if (!stateOf(entry, state)) return refusal(file, notOurs);
    taken[converter] = std::move(state);
  }
  for (auto& [converter, state] : taken) converter->state = std::move(state);
  return {};
}

std::string keepVirtualState(const fs::path& file, const VirtualTransport& transport) {
  const std::string notKept = "; what the virtual converters were told is not kept";
  if (const std::string problem = prepareFolder(file.parent_path()); !problem.empty()) return problem + notKept;
  if (const std::string problem = replaceable(file); !problem.empty()) return refusal(file, problem + notKept);

  Json converters = Json::array();
  for (const auto& converter : transport.converters()) converters.push_back(converterJson(*converter));
  const std::string bytes = Json{{kLayoutKey, kLayout}, {"converters", converters}}.dump(1) + "\n";

  std::string temporary = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
  Descriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
  if (out.get() < 0) return "cannot write in " + file.parent_path().string() + ": " + systemError(errno) + notKept;
  std::string problem = writeAll(out.get(), bytes) ? "" : systemError(errno);
  if (problem.empty() && ::fsync(out.get()) != 0) problem = systemError(errno);
  if (problem.empty() && !out.close()) problem = systemError(errno);
  if (problem.empty() && ::rename(temporary.c_str(), file.c_str()) != 0) problem = systemError(errno);
  if (problem.empty()) return {};
  static_cast<void>(::unlink(temporary.c_str()));  // the failure is told already
  return refusal(file, "could not be written: " + problem + notKept);
}

std::string forgetVirtualState(const fs::path& file) {
  if (const std::string problem = replaceable(file); !problem.empty())
    return refusal(file, problem + "; it is left as it is");
  if (::unlink(file.c_str()) != 0 && errno != ENOENT)
    return refusal(file, "cannot be removed: " + systemError(errno));
  return {};
}

VirtualStateLock::VirtualStateLock(const fs::path& file) {
  const fs::path folder = file.parent_path();
  problem_ = prepareFolder(folder);
  if (!problem_.empty()) return;
  folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  int error = folder_ < 0 ? errno : 0;
  while (error == 0 && ::flock(folder_, LOCK_EX) != 0) {
    if (errno != EINTR) error = errno;
  }
  if (error != 0) problem_ = "cannot hold the folder " + folder.string() + ": " + systemError(error);
}

VirtualStateLock::~VirtualStateLock() {
  if (folder_ >= 0) ::close(folder_);  // and with it the lock
}

}  // namespace velkor::ctl
