#include "SystemTransport.h"

#include "HidapiTransport.h"

namespace velkor {

std::unique_ptr<Transport> systemTransport() { return std::make_unique<HidapiTransport>(); }

}  // namespace velkor
