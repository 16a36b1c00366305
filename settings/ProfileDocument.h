#pragma once
// A settings file in memory, in the dialect of the Windows private-profile functions
// that wrote the files this program must keep reading: section and key names match
// without regard to case, blanks around names and values do not count, a value's outer
// matching quotes are not part of it, and when a section or a key within it is given
// twice the first one counts. The file's own lines are kept as they are, line ends and
// encoding included: a rewrite changes the values it sets and adds what is missing,
// nothing else.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velkor {

class ProfileDocument {
 public:
  // Takes in the bytes of a file: 8-bit text (Latin-1, or UTF-8 with or without its
  // signature) or UTF-16 with its byte-order mark, CRLF or LF line ends. Returns why the
  // bytes are no text of a settings file, or nothing when they are one; the document is
  // empty after a refusal.
  std::string parse(std::string_view bytes);

  // The key's value as the Windows reader hands it out; empty when the section or the
  // key is missing. A character outside Latin-1 reads as '?'.
  std::string value(std::string_view section, std::string_view key) const;

  // Gives the first copy of the key in the first copy of the section this value; a
  // missing key is added after the section's last entry, a missing section at the end.
  // Names and value are ASCII.
  void set(std::string_view section, std::string_view key, std::string_view value);

  // The whole file in the encoding it was read in (8-bit for a new file).
  std::string bytes() const;

 private:
  enum class Encoding { EightBit, Utf16LE, Utf16BE };
  struct Found {
    std::size_t line;
    std::size_t valueBegin;
    std::size_t valueEnd;
  };

  std::size_t sectionLine(std::string_view section) const;  // lines_.size() when missing
  std::size_t sectionEnd(std::size_t header) const;
  bool findKey(std::string_view section, std::string_view key, Found& found) const;
  void insertLine(std::size_t at, std::u16string text);

  Encoding encoding_ = Encoding::EightBit;
  std::string signature_;           // byte-order mark or UTF-8 signature, kept as it was
  std::vector<std::u16string> lines_;  // each with its own line end; the last may have none
  std::u16string lineEnd_ = u"\n";  // the file's own, for the lines added
};

}  // namespace velkor
