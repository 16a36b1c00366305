#include "WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velkor {
namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

// Closes on every path out; a failed close after writing is reported by the writer,
// which closes explicitly.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  std::error_code close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? std::error_code{} : lastError();
  }

 private:
  int fd_;
};

std::error_code writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

// A name no other writer uses: hidden, beside the target so that the rename stays on
// one file system, and unique to this process and attempt.
std::filesystem::path temporaryBeside(const std::filesystem::path& file, int attempt) {
  return file.parent_path() /
         ("." + file.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt));
}

std::error_code writeAndRename(Descriptor& out, const std::filesystem::path& temporary,
                               const std::filesystem::path& file, std::string_view bytes) {
  struct stat existing {};
  if (::stat(file.c_str(), &existing) == 0 && ::fchmod(out.get(), existing.st_mode & 07777) != 0) return lastError();
  if (std::error_code error = writeAll(out.get(), bytes)) return error;
  if (::fsync(out.get()) != 0) return lastError();
  if (std::error_code error = out.close()) return error;
  if (::rename(temporary.c_str(), file.c_str()) != 0) return lastError();
  return {};
}

}  // namespace

WholeFileRead readWholeFile(const std::filesystem::path& file) {
  WholeFileRead result;
  Descriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.valid()) {
    result.error = lastError();
    return result;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(in.get(), buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      result.error = lastError();
      result.bytes.clear();
      return result;
    }
    result.bytes.append(buffer, static_cast<std::size_t>(count));
  }
  return result;
}

std::error_code replaceWholeFile(const std::filesystem::path& file, std::string_view bytes) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const std::filesystem::path temporary = temporaryBeside(file, attempt);
    // 0666 before the umask, as any new file gets.
    Descriptor out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out.valid()) {
      if (errno == EEXIST) continue;  // left over from an earlier run, or in use
      return lastError();
    }
    const std::error_code error = writeAndRename(out, temporary, file, bytes);
    // The save has failed already and says why; a leftover hidden file is all an
    // unlink failure could add.
    if (error) static_cast<void>(::unlink(temporary.c_str()));
    return error;
  }
  return std::make_error_code(std::errc::file_exists);
}

}  // namespace velkor
