#pragma once
// --help and --version of the window programs, answered before the application object
// exists: neither opens a window or needs a display.

#include <optional>
#include <ostream>

namespace velkor {

struct ProgramInfo {
  const char* name;     // "velkor-usb-control"
  const char* summary;  // one line: what the program is
};

// The exit code when the arguments ask for help or the version, after printing the
// answer; nothing when the program is to run. Every other argument is Qt's to take.
std::optional<int> answerInfoOptions(int argc, const char* const* argv, const ProgramInfo& program,
                                     std::ostream& out);

}  // namespace velkor
