#include "GroupCheck.h"

namespace velkor::ctl {

// The rule printed here is for a Linux machine: Windows' groups are no guide to its.
std::string missingGroupAdvice(const std::string&) { return {}; }

}  // namespace velkor::ctl
