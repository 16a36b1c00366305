#pragma once
// Whether a group named for the udev rule can take effect on this machine.

#include <string>

namespace velkor::ctl {

// What the person is told to do when this machine lacks the group; empty when it has
// it, or where this machine's groups say nothing about a Linux machine's rule.
std::string missingGroupAdvice(const std::string& group);

}  // namespace velkor::ctl
