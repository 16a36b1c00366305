#pragma once
// Which requests a token's claims allow, by the rules NMOS authorization sets for every
// API: the audience must name this host (a "*." wildcard covers the names below it), the
// API's base paths need only the API's scope or claim, and every path below an API's
// version needs a read or write pattern of the API's "x-nmos-<api>" claim that matches
// it. Plain functions of their arguments, so that the rules are tested as a table.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AccessToken.h"

namespace velkor::node::auth {

enum class Access { Read, Write };

// '*' matches any run of characters, '/' and '.' included; everything else itself.
bool patternMatches(std::string_view pattern, std::string_view text);

// Whether one of the audience's names is `hostName`: a name alone or as a URL's host
// ("https://node.example.com"), exactly or under a wildcard ("*.example.com"), letter
// case aside. A name with a port or a path names no host.
bool audienceNames(const std::vector<std::string>& audience, std::string_view hostName);

// The path of a request target: no query, no empty, "." or ".." segments ("a/../b" is
// "b"), a leading '/' and none at the end. Nullopt when ".." climbs above the root.
std::optional<std::string> normalizedPath(std::string_view target);

// "/" and "/x-nmos": anyone may read them, with no token at all.
bool openToAll(std::string_view path);

// Empty when the claims allow `access` to the (normalized) path; else why not.
std::string pathRefusal(const TokenClaims& claims, std::string_view path, Access access);

}  // namespace velkor::node::auth
