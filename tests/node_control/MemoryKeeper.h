#pragma once
// Kept values held in memory, for the control layer's tests, benchmarks and fuzzing:
// every change is kept at once, and notes are collected rather than printed.

#include <map>
#include <string>
#include <vector>

#include "ValueKeeper.h"

namespace velkor::node::testing {

class MemoryKeeper final : public control::ValueKeeper {
 public:
  MemoryKeeper() = default;
  explicit MemoryKeeper(control::KeptValues values) : values_(std::move(values)) {}

  const control::KeptValues& values() const override { return values_; }
  void keep(control::KeptKey key, nlohmann::json value, Done done) override {
    values_[std::move(key)] = std::move(value);
    done({});
    const auto watchers = watchers_;
    for (const auto& [id, changed] : watchers) changed();
  }
  void forget(const control::KeptKey& key) override { values_.erase(key); }
  int watch(std::function<void()> changed) override {
    watchers_[++lastWatcher_] = std::move(changed);
    return lastWatcher_;
  }
  void unwatch(int id) override { watchers_.erase(id); }
  void note(const std::string& line) const override { notes.push_back(line); }

  mutable std::vector<std::string> notes;

 private:
  control::KeptValues values_;
  std::map<int, std::function<void()>> watchers_;
  int lastWatcher_ = 0;
};

}  // namespace velkor::node::testing
