#include "InfoOptions.h"

#include <string_view>

namespace velkor {

std::optional<int> answerInfoOptions(int argc, const char* const* argv, const ProgramInfo& program,
                                     std::ostream& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--version") {
      out << program.name << " " << VELKOR_VERSION << "\n";
      return 0;
    }
    if (argument == "--help" || argument == "-h") {
      out << "Usage: " << program.name << " [OPTION]...\n"
          << program.summary << "\n\n"
          << "  -h, --help     show this help and exit\n"
          << "      --version  show the version and exit\n\n"
          << "Qt's own options (-platform NAME, -display DISPLAY, ...) are taken as by every Qt\n"
          << "program. See " << program.name << "(1).\n";
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace velkor
