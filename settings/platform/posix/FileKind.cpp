#include "FileKind.h"

#include <sys/stat.h>

namespace velkor {

std::string fileKind(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFDIR:
      return "a directory";
    case S_IFCHR:
    case S_IFBLK:
      return "a device";
    case S_IFIFO:
      return "a pipe";
    case S_IFSOCK:
      return "a socket";
    default:
      return "no regular file";
  }
}

}  // namespace velkor
