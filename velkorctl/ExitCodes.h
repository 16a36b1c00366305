#pragma once
// What velkorctl's exit status tells a script.

namespace velkor::ctl {

inline constexpr int kExitDone = 0;
inline constexpr int kExitConverterFailed = 1;  // did not answer, or did not take a value
inline constexpr int kExitUsage = 2;            // a usage error or a bad value; nothing was sent
inline constexpr int kExitNoSuchConverter = 3;
inline constexpr int kExitPermission = 4;  // a converter is attached but this user may not open it
inline constexpr int kExitBusy = 5;        // another program kept a converter too long; try again

}  // namespace velkor::ctl
