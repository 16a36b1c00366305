#include "AccessRules.h"

#include <algorithm>

namespace velkor::node::auth {
namespace {

constexpr std::string_view kApisRoot = "x-nmos";
constexpr std::string_view kSchemeSeparator = "://";
constexpr std::string_view kWildcardLabel = "*.";

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view withoutFinalDot(std::string_view name) {
  return !name.empty() && name.back() == '.' ? name.substr(0, name.size() - 1) : name;
}

bool nameMatches(std::string_view entry, std::string_view host) {
  if (const std::size_t scheme = entry.find(kSchemeSeparator); scheme != std::string_view::npos)
    entry.remove_prefix(scheme + kSchemeSeparator.size());
  if (!entry.empty() && entry.back() == '/') entry.remove_suffix(1);
  entry = withoutFinalDot(entry);
  if (entry.empty() || entry.find_first_of(":/?#@") != std::string_view::npos) return false;
  if (entry.starts_with(kWildcardLabel)) {
    const std::string_view suffix = entry.substr(1);  // ".example.com"
    return host.size() > suffix.size() && sameName(host.substr(host.size() - suffix.size()), suffix);
  }
  return sameName(entry, host);
}

std::vector<std::string_view> segmentsOf(std::string_view path) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    if (end > at) parts.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

bool anyMatches(const std::vector<std::string>& patterns, std::string_view text) {
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) { return patternMatches(pattern, text); });
}

}  // namespace

bool patternMatches(std::string_view pattern, std::string_view text) {
  // Greedy with one point to come back to: the last '*' seen, and where its run ends.
  std::size_t p = 0, t = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool audienceNames(const std::vector<std::string>& audience, std::string_view hostName) {
  hostName = withoutFinalDot(hostName);
  return !hostName.empty() &&
         std::any_of(audience.begin(), audience.end(), [&](const std::string& entry) { return nameMatches(entry, hostName); });
}

std::optional<std::string> normalizedPath(std::string_view target) {
  target = target.substr(0, target.find_first_of("?#"));
  std::vector<std::string_view> kept;
  for (std::string_view segment : segmentsOf(target)) {
    if (segment == ".") continue;
    if (segment == "..") {
      if (kept.empty()) return std::nullopt;
      kept.pop_back();
      continue;
    }
    kept.push_back(segment);
  }
  std::string path;
  for (std::string_view segment : kept) path.append("/").append(segment);
  return path.empty() ? std::string("/") : path;
}

bool openToAll(std::string_view path) { return path == "/" || path == std::string("/").append(kApisRoot); }

std::string pathRefusal(const TokenClaims& claims, std::string_view path, Access access) {
  const std::vector<std::string_view> parts = segmentsOf(path);
  // Outside the APIs (no such path here): a valid token is all it takes to hear 404.
  if (parts.size() < 2 || parts[0] != kApisRoot) return {};
  const std::string_view api = parts[1];
  const auto rights = claims.rights.find(api);
  if (parts.size() <= 3) {
    const bool named = rights != claims.rights.end() || claims.scopes.contains(api);
    return named ? std::string() : "the token names no API " + std::string(api);
  }
  if (rights == claims.rights.end()) return "the token has no x-nmos-" + std::string(api) + " claim";
  // The claim's patterns start after the API's version and its slash.
  const std::size_t below = std::string_view("/").size() + kApisRoot.size() + 1 + api.size() + 1 + parts[2].size() + 1;
  const std::string_view rest = path.substr(std::min(below, path.size()));
  const std::vector<std::string>& patterns = access == Access::Write ? rights->second.write : rights->second.read;
  if (anyMatches(patterns, rest)) return {};
  return std::string("no ") + (access == Access::Write ? "write" : "read") + " right for " + std::string(rest);
}

}  // namespace velkor::node::auth
