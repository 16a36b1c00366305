#include "SafeSave.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "Descriptor.h"
#include "FileKind.h"
#include "FileRead.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

constexpr int kLinkHops = 40;  // as the kernel allows before ELOOP
constexpr int kTemporaryAttempts = 100;

std::string lastProblem() { return std::strerror(errno); }

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

std::string shownFolder(const fs::path& file) {
  std::error_code error;
  const fs::path absolute = fs::absolute(folderOf(file), error);
  return (error ? folderOf(file) : absolute.lexically_normal()).string();
}

std::string folderProblem(const fs::path& file, const std::string& what) {
  return "the folder " + shownFolder(file) + " " + what;
}

bool folderWritable(const fs::path& file) { return ::access(folderOf(file).c_str(), W_OK | X_OK) == 0; }

// Extended attributes other than the security label (ACLs, a user's own) would not
// pass to a new file.
bool holdsOwnAttributes(int fd) {
  const ssize_t size = ::flistxattr(fd, nullptr, 0);
  if (size <= 0) return false;
  std::vector<char> names(static_cast<std::size_t>(size));
  const ssize_t got = ::flistxattr(fd, names.data(), names.size());
  if (got < 0) return true;  // changed meanwhile: keep to the safe side
  for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
    const std::string_view name(names.data() + at);
    if (!name.starts_with("security.")) return true;
    at += name.size() + 1;
  }
  return false;
}

enum class Outcome { Done, Failed, WriteInPlace };
struct Attempt {
  Outcome outcome;
  std::string problem;
};

// A new file beside the target, given the target's owner and permissions, renamed over
// it. Where the new file cannot take the owner, or the folder refuses the rename, the
// caller writes in place instead.
Attempt replaceByRename(const fs::path& path, const struct stat* existing, std::string_view bytes) {
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    const fs::path temporary =
        folderOf(path) / ("." + path.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                          std::to_string(attempt));
    // 0666 before the umask, as any new file gets; an existing file's own bits follow.
    Descriptor out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, existing ? 0600 : 0666));
    if (!out.valid()) {
      if (errno == EEXIST) continue;  // left over from an earlier run, or in use
      // The folder is the cause: gone (a working folder removed meanwhile) or closed.
      if (errno == ENOENT) return {Outcome::Failed, folderProblem(path, "does not exist")};
      if (existing == nullptr && errno == EACCES)
        return {Outcome::Failed, folderProblem(path, "is not writable for this user (" + lastProblem() + ")")};
      return {Outcome::Failed, lastProblem()};
    }
    const auto failed = [&](Outcome outcome, std::string problem) {
      // The save has failed already and says why; a leftover hidden file is all an
      // unlink failure could add.
      static_cast<void>(::unlink(temporary.c_str()));
      return Attempt{outcome, std::move(problem)};
    };
    if (existing != nullptr) {
      if (::fchown(out.get(), existing->st_uid, existing->st_gid) != 0) return failed(Outcome::WriteInPlace, {});
      if (::fchmod(out.get(), existing->st_mode & 07777) != 0) return failed(Outcome::WriteInPlace, {});
    }
    if (!writeAll(out.get(), bytes) || ::fsync(out.get()) != 0 || !out.close())
      return failed(Outcome::Failed, lastProblem());
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
      const bool refused = errno == EPERM || errno == EACCES || errno == EBUSY;
      if (existing != nullptr && refused) return failed(Outcome::WriteInPlace, {});
      return failed(Outcome::Failed, lastProblem());
    }
    // The rename itself reaches the disk with the folder.
    Descriptor folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) static_cast<void>(::fsync(folder.get()));
    return {Outcome::Done, {}};
  }
  return {Outcome::Failed, std::strerror(EEXIST)};
}

// The same file, overwritten: reserving the space first means a full disk or a size
// limit fails the save before anything is changed.
std::string writeInPlace(int fd, std::string_view bytes) {
  // A size limit would cut the write inside the old file's length, where nothing is
  // reserved: refuse before the first byte.
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && bytes.size() > limit.rlim_cur)
    return std::strerror(EFBIG);
  if (!bytes.empty()) {
    if (const int error = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size())); error != 0)
      return std::strerror(error);
  }
  if (!writeAll(fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0)
    return lastProblem();
  return {};
}

}  // namespace

SaveTarget inspectSaveTarget(const fs::path& file) {
  SaveTarget target;
  target.path = file;
  struct stat info {};
  // What the name leads to, as the system follows it: /dev/stdout names a pipe by a
  // link that no path spells.
  if (::stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    target.exists = true;
    target.problem = "it is " + fileKind(info.st_mode) + ", and only a file is written";
    return target;
  }
  for (int hops = 0;; ++hops) {
    if (::lstat(target.path.c_str(), &info) != 0) {
      if (errno == ENOENT) break;
      if (errno == ENOTDIR) {
        target.problem = folderProblem(target.path, "is no folder");
        return target;
      }
      target.problem = lastProblem();
      return target;
    }
    if (!S_ISLNK(info.st_mode)) {
      target.exists = true;
      break;
    }
    if (hops == kLinkHops) {
      target.problem = std::strerror(ELOOP);
      return target;
    }
    std::error_code error;
    const fs::path leadsTo = fs::read_symlink(target.path, error);
    if (error) {
      target.problem = error.message();
      return target;
    }
    target.path = leadsTo.is_absolute() ? leadsTo : folderOf(target.path) / leadsTo;
  }

  if (!target.exists) {
    struct stat folder {};
    if (::stat(folderOf(target.path).c_str(), &folder) != 0)
      target.problem = folderProblem(target.path, errno == ENOENT ? "does not exist" : "cannot be reached: " + lastProblem());
    else if (!S_ISDIR(folder.st_mode))
      target.problem = folderProblem(target.path, "is no folder");
    else if (!folderWritable(target.path))
      target.problem = folderProblem(target.path, "is not writable for this user (" + lastProblem() + ")");
    return target;
  }

  target.volume = info.st_dev;
  target.index = info.st_ino;
  if (!S_ISREG(info.st_mode)) {
    target.problem = "it is " + fileKind(info.st_mode) + ", and only a file is written";
  } else if ((info.st_mode & 0222) == 0) {
    // Also for root, whom the permission would not stop: the mark is the user's.
    target.problem = "the file is read-only";
  } else if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
    target.problem = errno == EACCES ? "the file is read-only for this user" : lastProblem();
  } else {
    FileRead read = readSettingsFile(target.path);
    if (read.status != FileRead::Status::Read)
      target.problem = "it cannot be read (" + read.problem + "), so it is not replaced";
    target.bytes = std::move(read.bytes);
  }
  return target;
}

std::string writeSaveTarget(const SaveTarget& target, std::string_view bytes) {
  if (!target.problem.empty()) return target.problem;
  if (!target.exists) {
    const Attempt made = replaceByRename(target.path, nullptr, bytes);
    return made.outcome == Outcome::Done ? std::string() : made.problem;
  }

  Descriptor file(::open(target.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
  if (!file.valid()) return lastProblem();
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return lastProblem();
  if (info.st_dev != target.volume || info.st_ino != target.index || !S_ISREG(info.st_mode))
    return "the file was replaced while it was being saved";

  if (folderWritable(target.path) && info.st_nlink == 1 && !holdsOwnAttributes(file.get())) {
    const Attempt renamed = replaceByRename(target.path, &info, bytes);
    if (renamed.outcome != Outcome::WriteInPlace) return renamed.problem;
  }
  if (std::string problem = writeInPlace(file.get(), bytes); !problem.empty()) return problem;
  if (!file.close()) return lastProblem();
  return {};
}

}  // namespace velkor
