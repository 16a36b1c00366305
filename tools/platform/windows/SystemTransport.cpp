#include "SystemTransport.h"

#include "SetupApiTransport.h"

namespace velkor::ctl {

std::unique_ptr<Transport> systemTransport() { return std::make_unique<SetupApiTransport>(); }

}  // namespace velkor::ctl
