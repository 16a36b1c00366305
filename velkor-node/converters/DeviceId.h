#pragma once
// The ids a facility's control system keeps: a converter's device id follows from what
// it is and where it is plugged in, so a replugged converter and a restarted node give
// the same id and connections made to it survive both.

#include <string>

namespace velkor::node {

// A name-based (version 5) UUID of the model word and the converter's identity.
std::string deviceIdOf(const std::string& modelWord, const std::string& identity);

// A new random (version 4) UUID, for the node itself on its first start.
std::string randomUuid();

// True for a UUID in the lower-case form IS-04 ids take.
bool isResourceId(const std::string& text);

}  // namespace velkor::node
