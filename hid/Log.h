#pragma once
// Diagnostic lines, printf-formatted. They go to standard output unless the program
// chooses another stream (or none); nothing reads them back.

#include <cstdio>
#include <string>

namespace velkor {

void setLogStream(std::FILE* stream);  // null silences the log
void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace velkor
