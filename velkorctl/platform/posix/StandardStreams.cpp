#include "StandardStreams.h"

namespace velkor::ctl {

void useBinaryStandardStreams() {}

}  // namespace velkor::ctl
