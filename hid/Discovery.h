#pragma once

#include "DeviceEntry.h"
#include "Transport.h"

namespace velkor {

inline constexpr int kNoInterfaceList = -1;
inline constexpr int kPathUnavailable = -2;
inline constexpr int kAccessDenied = -4;

// Fills the (cleared) table from entry 1 on with every accepted interface present, as
// the system lists it without opening any, and returns how many were recorded;
// kNoInterfaceList or kPathUnavailable when the scan had to end early (entries recorded
// so far stay). Interfaces beyond the table's 128 entries are counted in the log and
// left out.
int enumerateDevices(Transport& transport, DeviceTable& table);

// Opens the present interface that the entry describes (same vendor, product, version
// number and identity) and keeps its handle in the entry (null when none matches); no
// other interface is opened. 0; kAccessDenied, with a null handle, when that interface
// is present but this process may not open it; or kNoInterfaceList / kPathUnavailable
// with the entry's handle unchanged.
int openDevice(Transport& transport, DeviceEntry& entry);

}  // namespace velkor
