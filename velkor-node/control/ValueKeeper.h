#pragma once
// What a converter's model needs of the place that keeps, across restarts, the values a
// controller sets that the node holds itself (the converter holds the rest): the values
// kept so far, and a change kept before it is taken. KeptValueStore keeps them in the
// state folder; the tests keep them in memory.
//
// Threads: every member is called on the network thread, and every answer comes there.

#include <functional>
#include <string>

#include "KeptValueFile.h"

namespace velkor::node::control {

class ValueKeeper {
 public:
  // Empty once the value is kept; else why it is not, in words for the controller.
  using Done = std::function<void(std::string problem)>;

  virtual ~ValueKeeper() = default;

  virtual const KeptValues& values() const = 0;
  // Keeps `value` for `key`, and takes it (values() holds it) only once it is kept.
  // Changes are kept one at a time, in the order asked.
  virtual void keep(KeptKey key, nlohmann::json value, Done done) = 0;
  // Drops a value that no longer fits the converter's model.
  virtual void forget(const KeptKey& key) = 0;
  // `changed` is told after each change taken, so that a model made while a change was
  // on its way (the converter replugged meanwhile) learns of it too. Returns a number
  // for unwatch.
  virtual int watch(std::function<void()> changed) = 0;
  virtual void unwatch(int id) = 0;
  // Tells the node's operator something about what is kept (a value dropped, and why).
  virtual void note(const std::string& line) const = 0;

  // The value kept for `key`; null when none is.
  const nlohmann::json* value(const KeptKey& key) const {
    const auto found = values().find(key);
    return found == values().end() ? nullptr : &found->second;
  }
};

}  // namespace velkor::node::control
