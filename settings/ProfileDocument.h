#pragma once
// A settings file in memory, in the dialect of the Windows private-profile functions
// that wrote the files this program must keep reading: section and key names match
// without regard to case, blanks around names and values do not count, a value's outer
// matching quotes are not part of it, and when a key or section is given twice the
// first one counts. Every section, key and comment the program does not name survives a
// rewrite; a line that is none of these (no '=' in it) does not.

#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace velkor {

class ProfileDocument {
 public:
  ProfileDocument();
  ~ProfileDocument();
  ProfileDocument(const ProfileDocument&) = delete;
  ProfileDocument& operator=(const ProfileDocument&) = delete;

  // Takes in the text of a file (CRLF or LF line ends, with or without a UTF-8
  // signature).
  std::error_code parse(std::string_view text);

  // The key's value as the Windows reader hands it out; empty when the section or the
  // key is missing.
  std::string value(const char* section, const char* key) const;

  // Replaces the key's value, every copy of the key included; a missing section or key
  // is added after the ones already there.
  std::error_code set(const char* section, const char* key, const std::string& value);

  // The whole file as `key=value` lines with LF line ends and no signature.
  std::error_code text(std::string& out) const;

 private:
  struct Ini;
  std::unique_ptr<Ini> ini_;
  std::string trailingComments_;
};

}  // namespace velkor
