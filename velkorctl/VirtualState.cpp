#include "VirtualState.h"

#include <map>
#include <nlohmann/json.hpp>

#include "FileRead.h"
#include "OwnFiles.h"
#include "StateFolder.h"
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

// Why the file was not read, in words; empty when it was.
std::string readProblem(const BoundedRead& read) {
  switch (read.outcome) {
    case BoundedRead::Outcome::Read:
      return {};
    case BoundedRead::Outcome::Link:
      return "is a symbolic link";
    case BoundedRead::Outcome::Missing:
    case BoundedRead::Outcome::OpenFailed:
      break;
    case BoundedRead::Outcome::NotRegular:
      return "is not a regular file";
    case BoundedRead::Outcome::TooLarge:
      return "is larger than " + std::to_string(kLargestFile / 1024) + " KiB";
    case BoundedRead::Outcome::ReadFailed:
      break;
  }
  return "cannot be read: " + read.problem;
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

// Nothing there, or a regular file: anything else (a link, a pipe, a folder) is left
// as it is.
std::string replaceable(const fs::path& file) {
  const Entry entry = entryAt(file);
  if (entry.kind == EntryKind::Unknown) return "cannot be used: " + entry.problem;
  return entry.kind == EntryKind::Other ? "is not a regular file" : "";
}

std::string refusal(const fs::path& file, const std::string& problem) {
  return "the virtual converters' state file " + file.string() + " " + problem;
}

}  // namespace

std::optional<fs::path> virtualStatePath() {
  if (const auto folder = userStateFolder()) return *folder / kFolder / kFileName;
  return std::nullopt;
}

std::string restoreVirtualState(const fs::path& file, VirtualTransport& transport) {
  const BoundedRead read = readRegularFile(file, kLargestFile, Links::Refuse);
  if (read.outcome == BoundedRead::Outcome::Missing) return {};
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
  if (const std::string problem = makeOwnFolder(file.parent_path()); !problem.empty()) return problem + notKept;
  if (const std::string problem = replaceable(file); !problem.empty()) return refusal(file, problem + notKept);

  Json converters = Json::array();
  for (const auto& converter : transport.converters()) converters.push_back(converterJson(*converter));
  const std::string bytes = Json{{kLayoutKey, kLayout}, {"converters", converters}}.dump(1) + "\n";

  if (const std::string problem = replaceWholeFile(file, bytes); !problem.empty())
    return refusal(file, "could not be written: " + problem + notKept);
  return {};
}

std::string forgetVirtualState(const fs::path& file) {
  if (const std::string problem = replaceable(file); !problem.empty())
    return refusal(file, problem + "; it is left as it is");
  if (const std::string problem = removeFile(file); !problem.empty())
    return refusal(file, "cannot be removed: " + problem);
  return {};
}

VirtualStateLock::VirtualStateLock(const fs::path& file) {
  problem_ = makeOwnFolder(file.parent_path());
  if (!problem_.empty()) return;
  folder_.emplace(file.parent_path());
  problem_ = folder_->problem();
}

}  // namespace velkor::ctl
