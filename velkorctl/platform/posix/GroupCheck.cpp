#include "GroupCheck.h"

#include <grp.h>

namespace velkor::ctl {

std::string missingGroupAdvice(const std::string& group) {
  if (::getgrnam(group.c_str()) != nullptr) return {};
  return "this machine has no group \"" + group + "\": create it (sudo groupadd " + group +
         ") and add its users (sudo usermod -aG " + group + " USER)";
}

}  // namespace velkor::ctl
