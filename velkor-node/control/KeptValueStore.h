#pragma once
// Where the node keeps each converter's kept values (KeptValueFile) between runs: a file
// per converter in a folder of the state folder, read the first time the converter is
// plugged in while the node runs. A change is written with all the converter's values,
// as the node's id is (a new file, flushed to disk, renamed into place), on a thread of
// its own so that no disk holds up the network thread; it counts only once it is on disk.
// A file that is damaged, too large or not the node's is refused with a message naming it
// and why, and set aside (NAME.refused) for a person to look at; the converter then starts
// with nothing kept. Nothing here stops the node.
//
// Threads: every member is called on the network thread, and every answer comes there.

#include <boost/asio/io_context.hpp>
#include <boost/asio/thread_pool.hpp>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ConverterAccess.h"
#include "KeptValueFile.h"
#include "ValueKeeper.h"

namespace velkor::node::control {

class KeptValueStore {
 public:
  using Note = std::function<void(const std::string&)>;

  // One converter's values, and its file.
  class Converter final : public ValueKeeper {
   public:
    Converter(KeptValueStore& store, ConverterInfo info, std::filesystem::path file, KeptValues values);
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    const KeptValues& values() const override { return values_; }
    // The converter's file is written with all its values and this one.
    void keep(KeptKey key, nlohmann::json value, Done done) override;
    // The file loses it with the next change written.
    void forget(const KeptKey& key) override { values_.erase(key); }
    int watch(std::function<void()> changed) override;
    void unwatch(int id) override { watchers_.erase(id); }
    // Names the file.
    void note(const std::string& line) const override { store_.note_(file_.string() + ": " + line); }

   private:
    struct Change {
      KeptKey key;
      nlohmann::json value;
      Done done;
    };
    void writeNext();
    void finish(std::string problem);

    KeptValueStore& store_;
    ConverterInfo info_;
    std::filesystem::path file_;
    KeptValues values_;
    std::deque<Change> changes_;  // the first is on its way to the disk while writing_
    bool writing_ = false;
    std::map<int, std::function<void()>> watchers_;
    int lastWatcher_ = 0;
  };

  // `folder`: where the files go (made on the first write). `fileLimit`: the largest
  // file read or written.
  KeptValueStore(boost::asio::io_context& network, std::filesystem::path folder, Note note,
                 std::size_t fileLimit = kKeptFileBytes);
  // Waits for the changes on their way to reach the disk; their answers are dropped.
  ~KeptValueStore();
  KeptValueStore(const KeptValueStore&) = delete;
  KeptValueStore& operator=(const KeptValueStore&) = delete;

  // The converter's values: read from its file the first time, as kept since then after.
  Converter& converter(const ConverterInfo& info);

 private:
  KeptValues load(const std::filesystem::path& file, const std::string& deviceId);
  void refuse(const std::filesystem::path& file, const std::string& why);

  boost::asio::io_context& network_;
  std::filesystem::path folder_;
  Note note_;
  std::size_t fileLimit_;
  std::map<std::string, std::unique_ptr<Converter>> converters_;  // by device id
  // Answers that come back after the store is gone find this expired and touch nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  boost::asio::thread_pool writer_{1};
};

}  // namespace velkor::node::control
