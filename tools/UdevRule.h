#pragma once

#include <string>

namespace velkor {

// The udev rule that lets the logged-in user open every accepted converter, made
// from the one table of accepted vendor/product pairs.
std::string udevRule();

}  // namespace velkor
