#pragma once
// What a person is told when a converter is attached but this user may not open it:
// the same fix in the window and in velkorctl.

#include <string>

namespace velkor {

// "install the udev rule (...) and replug the converter", to follow a colon.
std::string permissionFix();

}  // namespace velkor
