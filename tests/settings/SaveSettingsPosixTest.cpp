// What a save keeps and refuses through the POSIX system's own means: size limits,
// permissions, owners, extended attributes and hard links.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "SettingsFixture.h"

namespace velkor::test {
namespace {

using SaveSettings = SettingsFixture;

// Lets writes fail with "File too large" past `bytes`, as a full disk would with "No
// space left on device": the tests run as root, whom no permission stops.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &saved_), 0);
    previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);  // or the process would be killed
    const rlimit limit{bytes, saved_.rlim_max};
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &saved_), 0);
    ::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previousHandler_ = SIG_DFL;
};

TEST_F(SaveSettings, AFailedSaveSaysWhyAndLeavesTheOldFile) {
  const std::string old = "[Page_Func]\r\nConfiguration = 1\r\n[Mine]\r\nx=1\r\n";
  writeText("userSettings_tq4410.ini", old);
  record.statusA.outputFormat = 5;

  const auto expectFailure = [&](const SettingsResult& result, const std::string& file, const std::string& reason) {
    EXPECT_EQ(result.outcome, SettingsOutcome::CannotWrite);
    EXPECT_EQ(result.reason, reason);
    EXPECT_EQ(result.message(), "The settings could not be saved to " + file + ": " + reason + ".");
  };
  {
    FileSizeLimit limit(16);
    expectFailure(saveSettingsA(record), "userSettings_tq4410.ini", "File too large");
  }
  EXPECT_EQ(readText("userSettings_tq4410.ini"), old);

  // The message names the folder when the folder is the cause.
  expectFailure(saveSettingsA(record, "missing/userSettings_tq4410.ini"), "missing/userSettings_tq4410.ini",
                "the folder " + (directory / "missing").string() + " does not exist");

  // Only a regular file is written.
  fs::create_directory("userSettings_tq6630.ini");
  expectFailure(saveSettingsB(record), "userSettings_tq6630.ini", "it is a directory, and only a file is written");

  EXPECT_EQ(entries(), (std::set<std::string>{"userSettings_tq4410.ini", "userSettings_tq6630.ini"}));
  EXPECT_TRUE(fs::is_directory("userSettings_tq6630.ini"));
}

TEST_F(SaveSettings, ReplacingAFileKeepsItsPermissions) {
  writeText("userSettings_tq4410.ini", "");
  fs::permissions("userSettings_tq4410.ini", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(saveSettingsA(record).ok());
  EXPECT_EQ(fs::status("userSettings_tq4410.ini").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Written in place (a hard link must stay one file), a save that would not fit leaves
// the file as it was, under both names.
TEST_F(SaveSettings, InPlaceASaveThatDoesNotFitChangesNothing) {
  const std::string old = "[Page_Func]\nConfiguration=1\n";
  writeText("elsewhere.ini", old);
  fs::create_hard_link("elsewhere.ini", "userSettings_tq4410.ini");
  {
    FileSizeLimit limit(old.size() + 4);
    const SettingsResult result = saveSettingsA(record);
    EXPECT_EQ(result.reason, "File too large");
  }
  EXPECT_EQ(readText("userSettings_tq4410.ini"), old);
  EXPECT_TRUE(fs::equivalent("elsewhere.ini", "userSettings_tq4410.ini"));

  ASSERT_TRUE(saveSettingsA(record).ok());
  EXPECT_TRUE(fs::equivalent("elsewhere.ini", "userSettings_tq4410.ini"));
  EXPECT_NE(readText("elsewhere.ini").find("Output Format=0"), std::string::npos);
  EXPECT_EQ(entries(), (std::set<std::string>{"elsewhere.ini", "userSettings_tq4410.ini"}));
}

// A file another user owns keeps its owner and mode; one with an ACL or another
// extended attribute of its own is written in place, so it keeps them too.
TEST_F(SaveSettings, KeepsOwnerModeAndExtendedAttributes) {
  writeText("userSettings_tq4410.ini", "[Page_Func]\nConfiguration=0\n");
  ::chmod("userSettings_tq4410.ini", 0640);
  struct stat before {};
  ASSERT_EQ(::stat("userSettings_tq4410.ini", &before), 0);
  const bool root = ::geteuid() == 0;
  const uid_t nobody = 65534;
  if (root) {
    ASSERT_EQ(::chown("userSettings_tq4410.ini", nobody, nobody), 0);
  }

  ASSERT_TRUE(saveSettingsA(record).ok());
  struct stat after {};
  ASSERT_EQ(::stat("userSettings_tq4410.ini", &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, root ? nobody : before.st_uid);
  EXPECT_EQ(after.st_gid, root ? nobody : before.st_gid);

  if (::setxattr("userSettings_tq4410.ini", "user.velkor-note", "keep", 4, 0) != 0)
    GTEST_SKIP() << "this file system takes no user attributes: " << std::strerror(errno);
  ASSERT_TRUE(saveSettingsA(record).ok());
  struct stat inPlace {};
  ASSERT_EQ(::stat("userSettings_tq4410.ini", &inPlace), 0);
  EXPECT_EQ(inPlace.st_ino, after.st_ino) << "the same file, written in place";
  char note[8] = {};
  EXPECT_EQ(::getxattr("userSettings_tq4410.ini", "user.velkor-note", note, sizeof note), 4);
  EXPECT_STREQ(note, "keep");
}

}  // namespace
}  // namespace velkor::test
