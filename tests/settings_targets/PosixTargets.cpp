// The kinds of target only a POSIX system has: permissions, symbolic links, pipes and
// devices. Permissions only mean something to a user other than root:
// run_as_another_user.sh starts the test program so.

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "SettingsTargets.h"

namespace velkor::test {
namespace {

// A character device: made here when the user may (root), else the one
// run_as_another_user.sh made before it gave up root, else /dev/null itself.
fs::path characterDevice(const Scratch& scratch) {
  const fs::path made = scratch.file();
  if (::mknod(made.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) return made;
  if (const char* given = std::getenv("VELKOR_TEST_DEVICE")) return given;
  return "/dev/null";
}

const Target kPosixTargets[] = {
    {"read-only file",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, false));
       fs::permissions(s.file(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       return s.file();
     },
     nullptr, "the file is read-only", nullptr, nullptr,
     [](const Scratch&, const fs::path& file) {
       EXPECT_EQ(fs::status(file).permissions(),
                 fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
     }},
    {"symbolic link to a file in another folder",
     [](const Scratch& s) {
       writeBytes(s.elsewhere() / "real.ini", modelAFile(kOld, false));
       fs::create_symlink("../elsewhere/real.ini", s.file());
       return s.file();
     },
     [] { return modelAFile(kNew, false); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path& file) {
       EXPECT_TRUE(fs::is_symlink(file)) << "the link stays a link";
       EXPECT_EQ(fs::read_symlink(file), "../elsewhere/real.ini");
       EXPECT_EQ(std::distance(fs::directory_iterator(s.elsewhere()), fs::directory_iterator()), 1);
     }},
    {"hard link",
     [](const Scratch& s) {
       writeBytes(s.elsewhere() / "other-name.ini", modelAFile(kOld, false));
       fs::create_hard_link(s.elsewhere() / "other-name.ini", s.file());
       return s.file();
     },
     [] { return modelAFile(kNew, false); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path& file) {
       EXPECT_TRUE(fs::equivalent(file, s.elsewhere() / "other-name.ini")) << "one file under two names";
       EXPECT_EQ(fs::hard_link_count(file), 2u);
       EXPECT_EQ(readBytes(s.elsewhere() / "other-name.ini"), readBytes(file));
     }},
    {"writable file in a folder not writable",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, false));
       fs::permissions(s.folder(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                       fs::perm_options::remove);
       return s.file();
     },
     [] { return modelAFile(kNew, false); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path&) {
       EXPECT_EQ(std::distance(fs::directory_iterator(s.folder()), fs::directory_iterator()), 1)
           << "nothing left beside it";
     }},
    {"FIFO",
     [](const Scratch& s) {
       EXPECT_EQ(::mkfifo(s.file().c_str(), 0666), 0) << std::strerror(errno);
       return s.file();
     },
     nullptr, "it is a pipe, and only a file is written", nullptr, "it is a pipe, not a file",
     [](const Scratch&, const fs::path& file) { EXPECT_TRUE(fs::is_fifo(file)); }},
    {"character device", characterDevice, nullptr, "it is a device, and only a file is written", nullptr,
     "it is a device, not a file",
     [](const Scratch&, const fs::path& file) { EXPECT_TRUE(fs::is_character_file(file)); }},
};

}  // namespace

std::span<const Target> systemTargets() { return kPosixTargets; }

}  // namespace velkor::test
