#include "ProfileDocument.h"

#include <SimpleIni.h>

#include <algorithm>

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
  return toErrorCode(ini_->Save(out, /*a_bAddSignature=*/false));
}

}  // namespace velkor
