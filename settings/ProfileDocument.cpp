#include "ProfileDocument.h"

#include <algorithm>

namespace velkor {
namespace {

constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";
constexpr std::string_view kUtf8Signature = "\xEF\xBB\xBF";
constexpr char16_t kLatin1Last = 0xFF;

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view trimmed(std::u16string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

char16_t folded(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Windows compares names without regard to case; the program's own names are ASCII.
bool sameName(std::u16string_view text, std::string_view name) {
  return text.size() == name.size() &&
         std::equal(text.begin(), text.end(), name.begin(), [](char16_t t, char n) {
           return folded(t) == folded(static_cast<unsigned char>(n));
         });
}

std::u16string widened(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// The name of a "[name]" line; nothing for any other line.
bool sectionName(std::u16string_view line, std::u16string_view& name) {
  const std::u16string_view text = trimmed(line);
  if (text.empty() || text.front() != u'[') return false;
  const std::size_t close = text.find(u']');
  name = trimmed(text.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
  return true;
}

bool isEntry(std::u16string_view line) {
  const std::u16string_view text = trimmed(line);
  return !text.empty() && text.front() != u';' && text.front() != u'#';
}

}  // namespace

std::string ProfileDocument::parse(std::string_view bytes) {
  *this = ProfileDocument();
  std::u16string text;
  if (bytes.starts_with(kUtf16LEMark) || bytes.starts_with(kUtf16BEMark)) {
    encoding_ = bytes.starts_with(kUtf16LEMark) ? Encoding::Utf16LE : Encoding::Utf16BE;
    signature_ = bytes.substr(0, 2);
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) return "it is UTF-16 text cut off in the middle of a character";
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
      const auto first = static_cast<unsigned char>(bytes[i]);
      const auto second = static_cast<unsigned char>(bytes[i + 1]);
      text += static_cast<char16_t>(encoding_ == Encoding::Utf16LE ? first | second << 8 : first << 8 | second);
    }
  } else {
    if (bytes.starts_with(kUtf8Signature)) {
      signature_ = kUtf8Signature;
      bytes.remove_prefix(kUtf8Signature.size());
    }
    for (const char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  // The Windows reader stops at a NUL, so everything after one would read as missing.
  if (text.find(u'\0') != std::u16string::npos) {
    *this = ProfileDocument();
    return "it holds a NUL character, which no settings file does";
  }

  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find(u'\n', start);
    const std::size_t next = end == std::u16string::npos ? text.size() : end + 1;
    lines_.push_back(text.substr(start, next - start));
    start = next;
  }
  for (const std::u16string& line : lines_)
    if (line.ends_with(u'\n')) {
      lineEnd_ = line.ends_with(u"\r\n") ? u"\r\n" : u"\n";
      break;
    }
  return {};
}

std::size_t ProfileDocument::sectionLine(std::string_view section) const {
  std::u16string_view name;
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (sectionName(lines_[i], name) && sameName(name, section)) return i;
  return lines_.size();
}

std::size_t ProfileDocument::sectionEnd(std::size_t header) const {
  std::u16string_view name;
  std::size_t i = header + 1;
  while (i < lines_.size() && !sectionName(lines_[i], name)) ++i;
  return i;
}

bool ProfileDocument::findKey(std::string_view section, std::string_view key, Found& found) const {
  const std::size_t header = sectionLine(section);
  if (header == lines_.size()) return false;
  const std::size_t end = sectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const std::u16string_view line = lines_[i];
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos || !sameName(trimmed(line.substr(0, equals)), key)) continue;
    std::size_t begin = equals + 1;
    std::size_t stop = line.size();
    while (begin < stop && isBlank(line[begin])) ++begin;
    while (stop > begin && isBlank(line[stop - 1])) --stop;
    found = {i, begin, stop};
    return true;
  }
  return false;
}

std::string ProfileDocument::value(std::string_view section, std::string_view key) const {
  Found found{};
  if (!findKey(section, key, found)) return {};
  std::u16string_view text = std::u16string_view(lines_[found.line]).substr(found.valueBegin, found.valueEnd - found.valueBegin);
  // GetPrivateProfileString drops a pair of quotes, single or double, around the value.
  if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') && text.back() == text.front())
    text = text.substr(1, text.size() - 2);
  std::string out;
  for (const char16_t c : text) out += c <= kLatin1Last ? static_cast<char>(c) : '?';
  return out;
}

void ProfileDocument::insertLine(std::size_t at, std::u16string text) {
  // The line before may be the file's last one, without a line end of its own.
  if (at > 0 && !lines_[at - 1].ends_with(u'\n')) lines_[at - 1] += lineEnd_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), text + lineEnd_);
}

void ProfileDocument::set(std::string_view section, std::string_view key, std::string_view value) {
  Found found{};
  if (findKey(section, key, found)) {
    lines_[found.line].replace(found.valueBegin, found.valueEnd - found.valueBegin, widened(value));
    return;
  }
  const std::u16string entry = widened(key) + u"=" + widened(value);
  std::size_t header = sectionLine(section);
  if (header == lines_.size()) {
    // A new section comes last, two blank lines after what the file held.
    const bool holdsText = std::any_of(lines_.begin(), lines_.end(), [](const auto& line) { return !trimmed(line).empty(); });
    if (holdsText) {
      insertLine(lines_.size(), u"");
      insertLine(lines_.size(), u"");
    }
    header = lines_.size();
    insertLine(header, u"[" + widened(section) + u"]");
    insertLine(header + 1, entry);
    return;
  }
  // After the section's last entry, so that comments introducing the next section stay
  // with it.
  std::size_t at = header + 1;
  const std::size_t end = sectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i)
    if (isEntry(lines_[i])) at = i + 1;
  insertLine(at, entry);
}

std::string ProfileDocument::bytes() const {
  std::string out = signature_;
  for (const std::u16string& line : lines_)
    for (const char16_t c : line) switch (encoding_) {
        case Encoding::EightBit:
          out += static_cast<char>(c);  // every character came from one byte or is ASCII
          break;
        case Encoding::Utf16LE:
          out += static_cast<char>(c & 0xFF);
          out += static_cast<char>(c >> 8);
          break;
        case Encoding::Utf16BE:
          out += static_cast<char>(c >> 8);
          out += static_cast<char>(c & 0xFF);
          break;
      }
  return out;
}

}  // namespace velkor
