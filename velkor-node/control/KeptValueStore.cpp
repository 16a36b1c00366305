#include "KeptValueStore.h"

#include <boost/asio/post.hpp>
#include <system_error>

#include "FileRead.h"
#include "SafeSave.h"

namespace velkor::node::control {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileExtension = ".json";
// What a refused file is renamed to, beside where it was.
constexpr const char* kRefusedExtension = ".refused";

// On the writer's thread: the whole file, as SafeSave writes settings (a new file
// flushed to disk and renamed over the old one, or written in place where a rename
// would lose the owner or links a person gave the file).
std::string writeWhole(const fs::path& file, const std::string& text) {
  std::error_code error;
  fs::create_directories(file.parent_path(), error);
  const std::string problem =
      error ? "cannot make the folder " + file.parent_path().string() + " (" + error.message() + ")"
            : writeSaveTarget(inspectSaveTarget(file), text);
  return problem.empty() ? problem : "cannot write " + file.string() + ": " + problem;
}

}  // namespace

KeptValueStore::Converter::Converter(KeptValueStore& store, ConverterInfo info, fs::path file, KeptValues values)
    : store_(store), info_(std::move(info)), file_(std::move(file)), values_(std::move(values)) {}

void KeptValueStore::Converter::keep(KeptKey key, nlohmann::json value, Done done) {
  changes_.push_back({std::move(key), std::move(value), std::move(done)});
  writeNext();
}

int KeptValueStore::Converter::watch(std::function<void()> changed) {
  watchers_[++lastWatcher_] = std::move(changed);
  return lastWatcher_;
}

void KeptValueStore::Converter::writeNext() {
  if (writing_ || changes_.empty()) return;
  // The file holds what is kept and this one change: a change that fails leaves
  // nothing of itself in the next one's file.
  KeptValues wanted = values_;
  wanted[changes_.front().key] = changes_.front().value;
  KeptFileText made = keptFileText(info_, wanted, store_.fileLimit_);
  if (!made.problem.empty()) return finish("not kept: " + made.problem);
  writing_ = true;
  boost::asio::post(store_.writer_, [this, network = &store_.network_, alive = std::weak_ptr(store_.alive_),
                                     text = std::move(made.text)] {
    std::string problem = writeWhole(file_, text);
    boost::asio::post(*network, [this, alive, problem = std::move(problem)]() mutable {
      if (alive.lock()) finish(std::move(problem));
    });
  });
}

void KeptValueStore::Converter::finish(std::string problem) {
  Change change = std::move(changes_.front());
  changes_.pop_front();
  writing_ = false;
  const bool kept = problem.empty();
  if (kept) values_[change.key] = change.value;
  change.done(std::move(problem));
  if (kept) {
    // A copy: a watcher may unwatch while told.
    const auto watchers = watchers_;
    for (const auto& [id, changed] : watchers) changed();
  }
  writeNext();
}

KeptValueStore::KeptValueStore(boost::asio::io_context& network, fs::path folder, Note note, std::size_t fileLimit)
    : network_(network), folder_(std::move(folder)), note_(std::move(note)), fileLimit_(fileLimit) {}

KeptValueStore::~KeptValueStore() { writer_.join(); }

KeptValueStore::Converter& KeptValueStore::converter(const ConverterInfo& info) {
  std::unique_ptr<Converter>& converter = converters_[info.deviceId];
  if (!converter) {
    const fs::path file = folder_ / (info.deviceId + kFileExtension);
    converter = std::make_unique<Converter>(*this, info, file, load(file, info.deviceId));
  }
  return *converter;
}

KeptValues KeptValueStore::load(const fs::path& file, const std::string& deviceId) {
  BoundedRead read = readRegularFile(file, fileLimit_, Links::Refuse);
  switch (read.outcome) {
    case BoundedRead::Outcome::Missing:
      return {};
    case BoundedRead::Outcome::Read: {
      KeptFileRead parsed = parseKeptFile(read.bytes, deviceId);
      if (parsed.problem.empty()) return std::move(parsed.values);
      refuse(file, parsed.problem);
      return {};
    }
    case BoundedRead::Outcome::TooLarge:
      refuse(file, "larger than the " + std::to_string(fileLimit_) + " bytes a converter's file may hold");
      return {};
    case BoundedRead::Outcome::Link:
      refuse(file, "a symbolic link, which the node does not follow here");
      return {};
    case BoundedRead::Outcome::NotRegular:
      refuse(file, read.problem + ", not a file");
      return {};
    case BoundedRead::Outcome::OpenFailed:
    case BoundedRead::Outcome::ReadFailed:
      break;
  }
  // Not the file's fault: it stays as it is, and a change is refused until it can be read.
  note_(file.string() + " cannot be read (" + read.problem + "); the converter's labels start empty");
  return {};
}

void KeptValueStore::refuse(const fs::path& file, const std::string& why) {
  fs::path aside = file;
  aside += kRefusedExtension;
  std::error_code error;
  fs::rename(file, aside, error);
  note_(file.string() + " refused: " + why + "; " +
        (error ? "it stays as it is (cannot set it aside: " + error.message() + ")"
               : "set aside as " + aside.filename().string()) +
        "; the converter's labels start empty");
}

}  // namespace velkor::node::control
