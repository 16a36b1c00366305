#pragma once
// One converter: a thread of its own that does the blocking exchanges (the status poll
// and the changes asked for) on a record of its own, and hands every result back to the
// network thread, where ConverterAccess is served.

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "ConverterAccess.h"
#include "DeviceRecord.h"
#include "NodeModels.h"
#include "Transport.h"

namespace velkor::node {

struct WorkerSetup {
  ConverterInfo info;
  const NodeModel* model = nullptr;
  DeviceEntry entry;  // as the scan listed it, without a handle
  std::chrono::milliseconds pollInterval{1000};
  bool readOnly = false;  // changes are refused without being sent
};

class ConverterWorker final : public ConverterAccess, public std::enable_shared_from_this<ConverterWorker> {
 public:
  // The transport is shared with the hub's scan and every other worker: `transportLock`
  // keeps its listing and opening to one thread at a time.
  ConverterWorker(boost::asio::io_context& network, Transport& transport, std::mutex& transportLock,
                  WorkerSetup setup);
  ~ConverterWorker() override;
  ConverterWorker(const ConverterWorker&) = delete;
  ConverterWorker& operator=(const ConverterWorker&) = delete;

  void start();
  // The converter is gone: changes not yet sent end as Gone, the thread ends after the
  // exchange in hand, and `stopped` runs on the network thread once it has.
  void retire(std::function<void()> stopped);
  // Waits for the thread; for the node's shutdown.
  void join();

  const ConverterInfo& info() const override { return info_; }
  const ConverterState& state() const override { return state_; }
  void sendSetting(std::uint8_t command, std::size_t offset, std::uint8_t value, Done done) override;
  void writeName(std::u16string name, Done done) override;
  void storeCustom(std::uint8_t slot, Done done) override;
  int listen(Listener listener) override;
  void unlisten(int id) override;

  const NodeModel& model() const { return *model_; }

 private:
  // A change and its read-back, run on the worker thread against its record.
  using Transaction = std::function<ExchangeResult(DeviceRecord&)>;
  struct Job {
    Transaction transaction;
    Done done;
  };

  void enqueue(Transaction transaction, Done done);
  void run();
  ExchangeResult transact(const Transaction& transaction);
  bool ensureOpen();
  bool query(DeviceRecord& record);
  void deliver(ExchangeResult result, ConverterState snapshot, Done done);

  boost::asio::io_context& network_;
  Transport& transport_;
  std::mutex& transportLock_;
  const ConverterInfo info_;
  const NodeModel* model_;
  const std::chrono::milliseconds pollInterval_;
  const bool readOnly_;

  // Network thread only.
  ConverterState state_;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListenerId_ = 1;

  // Worker thread only.
  DeviceRecord record_;
  ConverterState working_;

  std::mutex lock_;  // guards what follows
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool retiring_ = false;
  std::function<void()> stopped_;

  std::thread thread_;
};

}  // namespace velkor::node
