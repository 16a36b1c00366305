#pragma once
// The transport to this machine's real converters: hidapi on Linux, SetupAPI and hid.dll
// on Windows, chosen by the build. The programs on real converters start from it.

#include <memory>

#include "Transport.h"

namespace velkor {

std::unique_ptr<Transport> systemTransport();

}  // namespace velkor
