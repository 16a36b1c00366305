#include "StandardStreams.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace velkor::ctl {

void useBinaryStandardStreams() {
  static_cast<void>(::_setmode(::_fileno(stdin), _O_BINARY));
  static_cast<void>(::_setmode(::_fileno(stdout), _O_BINARY));
}

}  // namespace velkor::ctl
