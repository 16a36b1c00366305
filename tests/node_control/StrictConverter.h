#pragma once
// A converter that expects exactly the exchanges a test names, in order, and fails the
// test on any other call. Its answers wait until the test releases them, as a real
// exchange answers later, from the converter's worker.

#include <deque>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "AcceptedDevices.h"
#include "ConverterAccess.h"
#include "StatusBlocks.h"

namespace velkor::node::testing {

class StrictConverter final : public ConverterAccess {
 public:
  explicit StrictConverter(std::uint16_t versionNumber) {
    info_.versionNumber = versionNumber;
    info_.modelWord = versionNumber == kVersionModelA ? "TQ4410" : "TQ6630";
    info_.identity = "1-1.2:1.0/S1";
    info_.serialNumber = "S1";
    state_.answering = true;
    state_.block.assign(versionNumber == kVersionModelA ? sizeof(StatusBlockA) : sizeof(StatusBlockB), 0);
  }
  ~StrictConverter() override {
    for (const Expected& e : expected_) ADD_FAILURE() << "expected exchange never came: " << e.what;
  }

  const ConverterInfo& info() const override { return info_; }
  const ConverterState& state() const override { return state_; }

  // The next exchange must be this setting; it ends with `result`, and with Done the
  // byte takes the value.
  void expectSetting(std::uint8_t command, std::size_t offset, std::uint8_t value,
                     ExchangeResult result = ExchangeResult::Done) {
    expected_.push_back({describe("setting", command, offset, value), [=, this] {
                           if (result == ExchangeResult::Done) state_.block.at(offset) = value;
                           return result;
                         }});
  }
  void expectName(std::u16string name, ExchangeResult result = ExchangeResult::Done) {
    expected_.push_back({"name of " + std::to_string(name.size()) + " characters", [=, this] {
                           if (result == ExchangeResult::Done) state_.name = name;
                           return result;
                         }});
    expectedNames_.push_back(std::move(name));
  }
  void expectStoreCustom(std::uint8_t slot, ExchangeResult result = ExchangeResult::Done) {
    expected_.push_back({describe("store custom", slot, 0, 0), [=, this] {
                           // As the worker does when another program kept the converter.
                           if (result == ExchangeResult::Busy) state_.busyHolder = "velkorctl (process 4711)";
                           return result;
                         }});
  }

  void sendSetting(std::uint8_t command, std::size_t offset, std::uint8_t value, Done done) override {
    take(describe("setting", command, offset, value), std::move(done));
  }
  void writeName(std::u16string name, Done done) override {
    const bool same = !expectedNames_.empty() && expectedNames_.front() == name;
    if (!expectedNames_.empty()) expectedNames_.pop_front();
    if (!same) ADD_FAILURE() << "a name other than the one expected was written";
    take("name of " + std::to_string(name.size()) + " characters", std::move(done));
  }
  void storeCustom(std::uint8_t slot, Done done) override { take(describe("store custom", slot, 0, 0), std::move(done)); }

  int listen(Listener listener) override {
    listeners_[++lastId_] = std::move(listener);
    return lastId_;
  }
  void unlisten(int id) override {
    if (listeners_.erase(id) == 0) ADD_FAILURE() << "unlisten of an id never handed out: " << id;
  }

  // Answers every exchange asked so far, then tells the listeners, as the layer does.
  void answerAll() {
    while (!pending_.empty()) {
      auto answer = std::move(pending_.front());
      pending_.pop_front();
      answer();
    }
  }
  // A change the poll saw (made by the panel or velkorctl), or a converter that stopped answering.
  void pollSees(std::size_t offset, std::uint8_t value) {
    state_.block.at(offset) = value;
    tell();
  }
  void setAnswering(bool answering) {
    state_.answering = answering;
    tell();
  }
  std::size_t listenerCount() const { return listeners_.size(); }

 private:
  struct Expected {
    std::string what;
    std::function<ExchangeResult()> apply;
  };
  static std::string describe(const char* kind, int a, std::size_t b, int c) {
    return std::string(kind) + " " + std::to_string(a) + "@" + std::to_string(b) + "=" + std::to_string(c);
  }
  void take(const std::string& what, Done done) {
    if (expected_.empty() || expected_.front().what != what) {
      ADD_FAILURE() << "unexpected exchange: " << what
                    << (expected_.empty() ? std::string(" (none expected)") : ", expected " + expected_.front().what);
      pending_.push_back([this, done = std::move(done)] { done(ExchangeResult::NoAnswer, state_); });
      return;
    }
    auto apply = std::move(expected_.front().apply);
    expected_.pop_front();
    pending_.push_back([this, apply = std::move(apply), done = std::move(done)] {
      const ExchangeResult result = apply();
      done(result, state_);
      tell();
    });
  }
  void tell() {
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener(state_);
  }

  ConverterInfo info_;
  ConverterState state_;
  std::deque<Expected> expected_;
  std::deque<std::u16string> expectedNames_;
  std::deque<std::function<void()>> pending_;
  std::map<int, Listener> listeners_;
  int lastId_ = 0;
};

}  // namespace velkor::node::testing
