#include "Log.h"

#include <cstdarg>

namespace velkor {
namespace {
std::FILE* logStream = stdout;
}

void setLogStream(std::FILE* stream) { logStream = stream; }

void logLine(const char* format, ...) {
  if (logStream == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(logStream, format, args);
  va_end(args);
  std::fflush(logStream);
}

}  // namespace velkor
