#include "PermissionHint.h"

namespace velkor {

// Windows gives every user of the machine the converters; an open is refused when a
// program holds the interface without sharing it, or when Windows itself keeps it (as
// it does keyboards and mice).
std::string permissionFix() {
  return "close the program that holds the converter without sharing it (another control program, a "
         "video application), or unplug and replug the converter";
}

}  // namespace velkor
