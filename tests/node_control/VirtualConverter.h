#pragma once
// A converter for the control layer's tests: takes every value as a converter with its
// switch at "Controls-PC" does, answering on the io_context as the converter layer
// would, and tells its listeners of every change. Faults are switched on by hand.

#include <map>

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include "AcceptedDevices.h"
#include "ConverterAccess.h"
#include "StatusBlocks.h"

namespace velkor::node::testing {

class VirtualConverter final : public ConverterAccess {
 public:
  VirtualConverter(boost::asio::io_context& io, std::uint16_t versionNumber) : io_(io) {
    const bool modelA = versionNumber == kVersionModelA;
    info_.deviceId = modelA ? "5a0c6f0e-4410-5d2b-9a51-000000004410" : "5a0c6f0e-6630-5d2b-9a51-000000006630";
    info_.identity = modelA ? "1-1.2:1.0/A4410137" : "1-1.3:1.0/B6630042";
    info_.serialNumber = modelA ? "A4410137" : "B6630042";
    info_.versionNumber = versionNumber;
    info_.modelWord = modelA ? "TQ4410" : "TQ6630";
    state_.answering = true;
    state_.name = u"Studio 1";
    if (modelA) {
      StatusBlockA block{};
      block.firmwareHigh = 1;
      block.firmwareLow = 3;
      block.inputFormat = 31;  // 1080p60
      block.verticalMargin = 10;
      block.horizontalMargin = 10;
      state_.block.assign(blockBytes(block), blockBytes(block) + sizeof block);
    } else {
      StatusBlockB block{};
      block.firmwareHigh = 2;
      block.firmwareLow = 1;
      block.inputFormat = 64;  // 1080p60 on HDMI
      block.verticalMargin = 10;
      block.horizontalMargin = 10;
      state_.block.assign(blockBytes(block), blockBytes(block) + sizeof block);
    }
  }

  const ConverterInfo& info() const override { return info_; }
  const ConverterState& state() const override { return state_; }

  void sendSetting(std::uint8_t, std::size_t offset, std::uint8_t value, Done done) override {
    answer(std::move(done), [this, offset, value] {
      if (offset < state_.block.size()) state_.block[offset] = value;
    });
  }
  void writeName(std::u16string name, Done done) override {
    answer(std::move(done), [this, name = std::move(name)] { state_.name = name; });
  }
  void storeCustom(std::uint8_t, Done done) override { answer(std::move(done), [] {}); }

  int listen(Listener listener) override {
    listeners_[++lastListener_] = std::move(listener);
    return lastListener_;
  }
  void unlisten(int id) override { listeners_.erase(id); }

  // Faults and changes made elsewhere (the panel, velkorctl), as the poll would see them.
  void setAnswering(bool answering) {
    state_.answering = answering;
    tell();
  }
  void changeByte(std::size_t offset, std::uint8_t value) {
    state_.block.at(offset) = value;
    tell();
  }
  std::size_t listenerCount() const { return listeners_.size(); }

 private:
  template <typename Change>
  void answer(Done done, Change change) {
    boost::asio::post(io_, [this, done = std::move(done), change = std::move(change)] {
      ++state_.exchanges;
      if (!state_.answering) {
        ++state_.failures;
        done(ExchangeResult::NoAnswer, state_);
        return;
      }
      change();
      done(ExchangeResult::Done, state_);
      tell();
    });
  }
  void tell() {
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener(state_);
  }

  boost::asio::io_context& io_;
  ConverterInfo info_;
  ConverterState state_;
  std::map<int, Listener> listeners_;
  int lastListener_ = 0;
};

}  // namespace velkor::node::testing
