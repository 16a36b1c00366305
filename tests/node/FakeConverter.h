#pragma once
// A converter as the network layers see it, holding what a test gives it.

#include "ConverterAccess.h"

namespace velkor::node::testing {

class FakeConverter final : public ConverterAccess {
 public:
  explicit FakeConverter(ConverterInfo info) : info_(std::move(info)) {}
  const ConverterInfo& info() const override { return info_; }
  const ConverterState& state() const override { return state_; }
  void sendSetting(std::uint8_t, std::size_t, std::uint8_t, Done done) override { done(ExchangeResult::Done, state_); }
  void writeName(std::u16string, Done done) override { done(ExchangeResult::Done, state_); }
  void storeCustom(std::uint8_t, Done done) override { done(ExchangeResult::Done, state_); }
  int listen(Listener listener) override {
    listener_ = std::move(listener);
    return 1;
  }
  void unlisten(int) override { listener_ = nullptr; }

  // What a poll that read `state` does.
  void read(ConverterState state) {
    state_ = std::move(state);
    if (listener_) listener_(state_);
  }

 private:
  ConverterInfo info_;
  ConverterState state_;
  Listener listener_;
};

}  // namespace velkor::node::testing
