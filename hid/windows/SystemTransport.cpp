#include "SystemTransport.h"

#include "SetupApiTransport.h"
#include "WindowsHid.h"

namespace velkor {

std::unique_ptr<Transport> systemTransport() { return std::make_unique<SetupApiTransport>(systemHid()); }

}  // namespace velkor
