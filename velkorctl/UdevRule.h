#pragma once

#include <string>

namespace velkor {

// The udev rule that lets the user at the seat open every accepted converter and
// nothing else: each accepted vendor/product pair with each model's release number,
// made from the one table. With a group, its members may open them too (for users who
// log in over SSH); nobody else ever may.
std::string udevRule(const std::string& group = "");

// Whether `name` can stand in the rule as a group: a name as groupadd takes it, and
// nothing that could end the quoted value.
bool isGroupName(const std::string& name);

}  // namespace velkor
