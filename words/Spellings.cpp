#include "Spellings.h"

#include <cctype>

namespace velkor::spelling {
namespace {

bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string corrected(std::string_view label) {
  std::string out;
  std::size_t i = 0;
  while (i < label.size()) {
    if (!isLetter(label[i])) {
      out += label[i++];
      continue;
    }
    std::size_t end = i;
    while (end < label.size() && isLetter(label[end])) ++end;
    const std::string_view word = label.substr(i, end - i);
    std::string_view replacement = word;
    for (const Correction& correction : kCorrections)
      if (word == correction.asShown) replacement = correction.corrected;
    out += replacement;
    i = end;
  }
  return out;
}

}  // namespace velkor::spelling
