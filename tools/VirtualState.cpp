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

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, for the caller to learn whether the data reached the file.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::optional<fs::path> absoluteFolder(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr || value[0] != '/') return std::nullopt;  // relative ones are to be ignored
  return fs::path(value);
}

struct FileRead {
  bool missing = false;
  std::string bytes;
  std::string problem;
};

// The whole file, when it is a regular file (not a link, a pipe or a device) of a size
// that can be ours.
FileRead readBounded(const fs::path& file) {
  FileRead read;
  // O_NONBLOCK: opening a pipe must not wait for a writer; it is refused below.
  Descriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (in.get() < 0) {
    if (errno == ENOENT) read.missing = true;
    else if (errno == ELOOP) read.problem = "is a symbolic link";
    else read.problem = "cannot be read: " + systemError(errno);
    return read;
  }
  struct stat status {};
  if (::fstat(in.get(), &status) != 0) {
    read.problem = "cannot be read: " + systemError(errno);
    return read;
  }
  if (!S_ISREG(status.st_mode)) {
    read.problem = "is not a regular file";
    return read;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(in.get(), buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      read.problem = "cannot be read: " + systemError(errno);
      return read;
    }
    read.bytes.append(buffer, static_cast<std::size_t>(count));
    // A file that grows while it is read is bounded too.
    if (read.bytes.size() > kLargestFile) {
      read.problem = "is larger than " + std::to_string(kLargestFile / 1024) + " KiB";
      return read;
    }
  }
  return read;
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

std::string writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return systemError(errno);
    }
    done += static_cast<std::size_t>(written);
  }
  return {};
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
  const FileRead read = readBounded(file);
  if (read.missing) return {};
  const std::string leftAlone = "; the virtual converters start from the demo's state and it is left as it is";
  if (!read.problem.empty()) return refusal(file, read.problem + leftAlone);
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
  std::string problem = writeAll(out.get(), bytes);
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
