#pragma once
// The transport to this machine's real converters: hidapi on Linux, SetupAPI and hid.dll
// on Windows, chosen by the build.

#include <memory>

#include "Transport.h"

namespace velkor::ctl {

std::unique_ptr<Transport> systemTransport();

}  // namespace velkor::ctl
