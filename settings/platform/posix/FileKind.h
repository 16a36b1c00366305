#pragma once
// What a file that is no regular file is, in words, for the messages that refuse it.

#include <string>

namespace velkor {

// "a directory", "a pipe", ... from stat's st_mode.
std::string fileKind(unsigned mode);

}  // namespace velkor
