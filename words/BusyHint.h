#pragma once
// What a person or a control system is told when another program kept a converter
// longer than a turn may wait: the same words in velkorctl and the network node.

#include <string>

namespace velkor {

// "busy: velkor-usb-contr (process 4711) has had it for over 2 s; try again", with
// "another program" where the system does not tell which.
std::string busyMessage(const std::string& holder);

}  // namespace velkor
