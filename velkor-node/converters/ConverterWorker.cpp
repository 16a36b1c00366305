#include "ConverterWorker.h"

#include <algorithm>
#include <boost/asio/post.hpp>

#include "CommandSet.h"
#include "Discovery.h"
#include "ExchangeTurn.h"
#include "StatusReply.h"

namespace velkor::node {
namespace {

// The record numbers its entries from 1; a worker's record holds only its converter.
constexpr int kOwnEntry = 1;

bool sameReading(const ConverterState& a, const ConverterState& b) {
  return a.answering == b.answering && a.block == b.block && a.name == b.name;
}

void countTime(ExchangeTimes& times, std::chrono::steady_clock::duration took) {
  const double seconds = std::chrono::duration<double>(took).count();
  const auto bound =
      std::lower_bound(ExchangeTimes::kBoundsSeconds.begin(), ExchangeTimes::kBoundsSeconds.end(), seconds);
  ++times.counts[static_cast<std::size_t>(bound - ExchangeTimes::kBoundsSeconds.begin())];
  times.sumSeconds += seconds;
}

}  // namespace

ConverterWorker::ConverterWorker(boost::asio::io_context& network, Transport& transport, std::mutex& transportLock,
                                 WorkerSetup setup)
    : network_(network),
      transport_(transport),
      transportLock_(transportLock),
      info_(std::move(setup.info)),
      model_(setup.model),
      pollInterval_(setup.pollInterval),
      readOnly_(setup.readOnly) {
  *record_.deviceTable.entry(kOwnEntry) = std::move(setup.entry);
  record_.deviceTable.entry(kOwnEntry)->handle.reset();
  record_.selectedDevice = kOwnEntry;
  state_.block.assign(model_->blockSize, 0);
  working_ = state_;
}

ConverterWorker::~ConverterWorker() { join(); }

void ConverterWorker::start() { thread_ = std::thread([this] { run(); }); }

void ConverterWorker::retire(std::function<void()> stopped) {
  std::lock_guard guard(lock_);
  retiring_ = true;
  stopped_ = std::move(stopped);
  wake_.notify_one();
}

void ConverterWorker::join() {
  {
    std::lock_guard guard(lock_);
    retiring_ = true;
    wake_.notify_one();
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void ConverterWorker::sendSetting(std::uint8_t command, std::size_t offset, std::uint8_t value, Done done) {
  const NodeModel* model = model_;
  enqueue(
      [this, model, command, offset, value](DeviceRecord& record) {
        model->sendCommand(record, command, value);
        if (!query(record)) return ExchangeResult::NoAnswer;
        return offset < model->blockSize && model->statusBlock(record)[offset] == value ? ExchangeResult::Done
                                                                                         : ExchangeResult::Refused;
      },
      std::move(done));
}

void ConverterWorker::writeName(std::u16string name, Done done) {
  const NodeModel* model = model_;
  enqueue(
      [this, model, name = std::move(name)](DeviceRecord& record) {
        record.*model->customName = name;
        model->sendName(record);
        if (!query(record)) return ExchangeResult::NoAnswer;
        return record.*model->customName == name ? ExchangeResult::Done : ExchangeResult::Refused;
      },
      std::move(done));
}

void ConverterWorker::storeCustom(std::uint8_t slot, Done done) {
  const NodeModel* model = model_;
  enqueue(
      [this, model, slot](DeviceRecord& record) {
        model->sendCommand(record, model->storeCustomCommand, slot);
        return query(record) ? ExchangeResult::Done : ExchangeResult::NoAnswer;
      },
      std::move(done));
}

int ConverterWorker::listen(Listener listener) {
  listeners_.emplace_back(nextListenerId_, std::move(listener));
  return nextListenerId_++;
}

void ConverterWorker::unlisten(int id) {
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void ConverterWorker::enqueue(Transaction transaction, Done done) {
  if (readOnly_) {
    boost::asio::post(network_, [self = shared_from_this(), done = std::move(done)] {
      if (done) done(ExchangeResult::Refused, self->state_);
    });
    return;
  }
  std::lock_guard guard(lock_);
  if (retiring_) {
    boost::asio::post(network_, [self = shared_from_this(), done = std::move(done)] {
      if (done) done(ExchangeResult::Gone, self->state_);
    });
    return;
  }
  jobs_.push_back({std::move(transaction), std::move(done)});
  wake_.notify_one();
}

void ConverterWorker::run() {
  auto nextPoll = std::chrono::steady_clock::now();
  for (;;) {
    std::optional<Job> job;
    {
      std::unique_lock guard(lock_);
      wake_.wait_until(guard, nextPoll, [this] { return retiring_ || !jobs_.empty(); });
      if (retiring_) break;
      if (!jobs_.empty()) {
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
    }
    if (job) {
      const ExchangeResult result = transact(job->transaction);
      deliver(result, working_, std::move(job->done));
    } else if (std::chrono::steady_clock::now() >= nextPoll) {
      transact([this](DeviceRecord& record) { return query(record) ? ExchangeResult::Done : ExchangeResult::NoAnswer; });
      deliver(ExchangeResult::Done, working_, nullptr);
      nextPoll = std::chrono::steady_clock::now() + pollInterval_;
    }
  }
  record_.deviceTable.closeAll();

  std::deque<Job> unsent;
  std::function<void()> stopped;
  {
    std::lock_guard guard(lock_);
    unsent.swap(jobs_);
    stopped = std::move(stopped_);
  }
  // Posted last, so that the hub lets go of this worker only after every result before.
  boost::asio::post(network_, [self = shared_from_this(), unsent = std::move(unsent), stopped = std::move(stopped)] {
    for (const Job& job : unsent)
      if (job.done) job.done(ExchangeResult::Gone, self->state_);
    if (stopped) stopped();
  });
}

ExchangeResult ConverterWorker::transact(const Transaction& transaction) {
  if (!ensureOpen()) {
    working_.answering = false;
    return record_.deviceTable.entry(kOwnEntry)->accessDenied ? ExchangeResult::NoAnswer : ExchangeResult::Gone;
  }
  ExchangeResult result = ExchangeResult::Busy;
  {
    // One turn of the converter: the change and its read-back, with no other program's
    // request in between.
    const ExchangeTurn turn(*record_.deviceTable.entry(kOwnEntry)->handle);
    if (!turn.taken()) {
      working_.busyHolder = turn.holder();
      return ExchangeResult::Busy;
    }
    result = transaction(record_);
  }
  // A converter that stops answering may have been replugged at another node: open it
  // afresh next time.
  if (!working_.answering) record_.deviceTable.entry(kOwnEntry)->handle.reset();
  return result;
}

bool ConverterWorker::ensureOpen() {
  DeviceEntry& entry = *record_.deviceTable.entry(kOwnEntry);
  if (entry.handle) return true;
  std::lock_guard guard(transportLock_);
  openDevice(transport_, entry);
  return entry.handle != nullptr;
}

bool ConverterWorker::query(DeviceRecord& record) {
  // A request that never reaches the read leaves the last reply in place.
  record.replyBuffer.fill(0);
  const auto began = std::chrono::steady_clock::now();
  model_->queryStatus(record);
  countTime(working_.exchangeTimes, std::chrono::steady_clock::now() - began);
  const bool answered = holdsStatusReply(record, model_->statusReplyCode);
  ++working_.exchanges;
  if (!answered) ++working_.failures;
  working_.answering = answered;
  if (answered) {
    const std::uint8_t* block = model_->statusBlock(record);
    working_.block.assign(block, block + model_->blockSize);
    working_.name = record.*model_->customName;
  }
  return answered;
}

void ConverterWorker::deliver(ExchangeResult result, ConverterState snapshot, Done done) {
  boost::asio::post(network_, [self = shared_from_this(), result, snapshot = std::move(snapshot),
                               done = std::move(done)]() mutable {
    const bool changed = !sameReading(self->state_, snapshot);
    self->state_ = std::move(snapshot);
    const bool asked = static_cast<bool>(done);
    if (done) done(result, self->state_);
    if (!changed && !asked) return;
    // A listener may unlisten itself or another while being called.
    const auto listeners = self->listeners_;
    for (const auto& [id, listener] : listeners) listener(self->state_);
  });
}

}  // namespace velkor::node
