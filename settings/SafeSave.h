#pragma once
// Saving over a settings file without losing what the user holds in and around it: the
// file a symbolic link leads to is written, not the link; a hard link stays one file;
// permissions, owner and extended attributes (ACLs) stay; only a regular file the user
// may write is written; and a crash or a full disk leaves the old text or the new one.
//
// Where it can, a save writes a new file beside the old one and renames it into place.
// Where that would break one of the promises (a folder the user cannot write, a hard
// link, an owner or ACL a new file could not take), it writes in place: the space is
// reserved first, so a full disk fails the save before any byte changes, and the text
// goes in with one write.
//
// One implementation per system (settings/platform/): each keeps these promises with
// the means its system has.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velkor {

struct SaveTarget {
  std::filesystem::path path;  // after following symbolic links
  bool exists = false;
  std::string bytes;    // what the file holds now
  std::string problem;  // why it may not be written, naming the file or the folder; empty when it may

  // The file as inspected, so that the write goes to the same one: the device and inode
  // numbers, or the volume serial number and file index.
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
};

SaveTarget inspectSaveTarget(const std::filesystem::path& file);

// Writes the bytes to the target inspected; empty, or why it failed (the file on disk
// then is as it was).
std::string writeSaveTarget(const SaveTarget& target, std::string_view bytes);

}  // namespace velkor
