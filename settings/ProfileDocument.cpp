#include "ProfileDocument.h"

#include <SimpleIni.h>

#include <algorithm>
#include <vector>

namespace velkor {
namespace {

std::error_code toErrorCode(SI_Error error) {
  if (error >= 0) return {};
  if (error == SI_NOMEM) return std::make_error_code(std::errc::not_enough_memory);
  // The byte-for-byte converter in use has nothing else to fail on; keep a code anyway.
  return std::make_error_code(std::errc::illegal_byte_sequence);
}

// GetPrivateProfileString drops a pair of quotes, single or double, around the value.
std::string withoutOuterQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

bool isComment(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && (line[first] == ';' || line[first] == '#');
}

bool isBlank(std::string_view line) { return line.find_first_not_of(" \t\r") == std::string_view::npos; }

// The comment lines after the file's last entry, with LF line ends. SimpleIni keeps a
// comment with the entry that follows it, so these would be lost on a rewrite.
std::string trailingComments(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t end = text.size();
  while (end > 0) {
    const std::size_t start = text.rfind('\n', end - 1);
    const std::size_t from = start == std::string_view::npos ? 0 : start + 1;
    std::string_view line = text.substr(from, end - from);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!isBlank(line)) {
      if (!isComment(line)) break;
      lines.push_back(line);
    }
    if (start == std::string_view::npos) return {};  // nothing but comments: SimpleIni keeps those
    end = start;
  }
  std::string comments;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) comments.append(*line).append("\n");
  return comments;
}

}  // namespace

// Case-insensitive names, every copy of a repeated key kept (so that the first one can
// be told apart, and so that a rewrite keeps the file's lines), values taken as they
// stand: the quotes are handled here, both kinds, which SimpleIni's own quoting would
// not do and would add on writing.
struct ProfileDocument::Ini : CSimpleIniA {
  Ini() : CSimpleIniA(/*a_bIsUtf8=*/false, /*a_bMultiKey=*/true, /*a_bMultiLine=*/false) {
    SetSpaces(false);
    SetQuotes(false);
  }
};

ProfileDocument::ProfileDocument() : ini_(std::make_unique<Ini>()) {}
ProfileDocument::~ProfileDocument() = default;

std::error_code ProfileDocument::parse(std::string_view text) {
  trailingComments_ = trailingComments(text);
  return toErrorCode(ini_->LoadData(text.data(), text.size()));
}

std::string ProfileDocument::value(const char* section, const char* key) const {
  CSimpleIniA::TNamesDepend values;
  if (!ini_->GetAllValues(section, key, values)) return {};
  // A repeated section is merged into its first one, and a repeated key keeps its file
  // position: the earliest entry is the one the Windows reader finds.
  const auto first = std::min_element(values.begin(), values.end(), CSimpleIniA::Entry::LoadOrder());
  return withoutOuterQuotes(first->pItem);
}

std::error_code ProfileDocument::set(const char* section, const char* key, const std::string& value) {
  return toErrorCode(ini_->SetValue(section, key, value.c_str(), nullptr, /*a_bForceReplace=*/true));
}

std::error_code ProfileDocument::text(std::string& out) const {
  out.clear();
  if (const std::error_code error = toErrorCode(ini_->Save(out, /*a_bAddSignature=*/false))) return error;
  if (!trailingComments_.empty()) out += (out.empty() || out.ends_with('\n') ? "" : "\n") + trailingComments_;
  return {};
}

}  // namespace velkor
