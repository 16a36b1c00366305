#include "OwnFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Descriptor.h"

namespace velkor {

namespace fs = std::filesystem;

std::string makeOwnFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder.parent_path(), error);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    return "cannot make the folder " + folder.string() + ": " + std::strerror(errno);
  struct stat status {};
  if (::lstat(folder.c_str(), &status) != 0)
    return "cannot use the folder " + folder.string() + ": " + std::strerror(errno);
  if (!S_ISDIR(status.st_mode)) return folder.string() + " is not a folder";
  return {};
}

Entry entryAt(const fs::path& file) {
  struct stat status {};
  if (::lstat(file.c_str(), &status) != 0) {
    if (errno == ENOENT) return {};
    return {EntryKind::Unknown, std::strerror(errno)};
  }
  return {S_ISREG(status.st_mode) ? EntryKind::RegularFile : EntryKind::Other, {}};
}

std::string replaceWholeFile(const fs::path& file, std::string_view bytes) {
  std::string temporary = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
  Descriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!out.valid()) return std::strerror(errno);
  std::string problem;
  if (!writeAll(out.get(), bytes) || ::fsync(out.get()) != 0 || !out.close() ||
      ::rename(temporary.c_str(), file.c_str()) != 0)
    problem = std::strerror(errno);
  if (problem.empty()) return {};
  static_cast<void>(::unlink(temporary.c_str()));  // the failure is told already
  return problem;
}

std::string removeFile(const fs::path& file) {
  if (::unlink(file.c_str()) != 0 && errno != ENOENT) return std::strerror(errno);
  return {};
}

FolderLock::FolderLock(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  int error = fd < 0 ? errno : 0;
  held_ = fd;
  // flock: the kernel lets go when the holder dies.
  while (error == 0 && ::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) error = errno;
  }
  if (error != 0) problem_ = "cannot hold the folder " + folder.string() + ": " + std::strerror(error);
}

FolderLock::~FolderLock() {
  if (held_ >= 0) ::close(static_cast<int>(held_));  // and with it the lock
}

}  // namespace velkor
