#include "PlatformDefaults.h"

namespace velkor {

// Qt draws text with FreeType here already, and the desktop chooses the platform.
int& withPlatformDefaults(int& argc) { return argc; }

}  // namespace velkor
