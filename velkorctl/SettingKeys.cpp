#include "SettingKeys.h"

#include <cctype>
#include <charconv>

#include "Spellings.h"

namespace velkor::ctl {
namespace {

std::span<const char* const> wordsFor(const SettingKey& key, const std::uint8_t* block) {
  if (!key.wordsOtherwise.empty() && block[key.followsOffset] != 0) return key.wordsOtherwise;
  return key.words;
}

// "Delay 5 seconds", "delay5seconds" and "DELAY 5 SECONDS" are one value.
std::string folded(std::string_view text) {
  std::string out;
  for (const char c : text)
    if (!std::isspace(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::optional<unsigned> number(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A word as the panel shows it or spelt right: "Horizonal Only" and "Horizontal Only".
std::optional<std::uint8_t> position(std::span<const char* const> words, const std::string& wanted) {
  for (std::size_t i = 0; i < words.size(); ++i)
    if (folded(words[i]) == wanted || folded(spelling::corrected(words[i])) == wanted)
      return static_cast<std::uint8_t>(i);
  return std::nullopt;
}

// "\"Horizonal Only\" (or \"Horizontal Only\")": the word as shown, then its spelling.
std::string quotedWord(const char* word) {
  std::string text = "\"" + std::string(word) + "\"";
  if (const std::string right = spelling::corrected(word); right != word) text += " (or \"" + right + "\")";
  return text;
}

}  // namespace

std::optional<std::string> valueWord(const SettingKey& key, std::uint8_t value, const std::uint8_t* block) {
  const auto words = wordsFor(key, block);
  if (value >= words.size()) return std::nullopt;
  return words[value];
}

std::string shownValue(const SettingKey& key, std::uint8_t value, const std::uint8_t* block) {
  return valueWord(key, value, block).value_or(std::to_string(value));
}

std::optional<std::uint8_t> parseValue(const SettingKey& key, std::string_view text) {
  const std::string wanted = folded(text);
  if (const auto n = number(wanted)) {
    if (*n <= key.maximum()) return static_cast<std::uint8_t>(*n);
    return std::nullopt;
  }
  if (const auto found = position(key.words, wanted)) return found;
  return position(key.wordsOtherwise, wanted);
}

std::string allowedValues(const SettingKey& key) {
  const std::string range = "0.." + std::to_string(key.maximum());
  if (key.words.empty()) return "a number " + range;
  std::string allowed;
  for (std::size_t i = 0; i < key.words.size(); ++i) {
    if (i > 0) allowed += ", ";
    allowed += quotedWord(key.words[i]);
    if (i < key.wordsOtherwise.size() && std::string_view(key.wordsOtherwise[i]) != key.words[i])
      allowed += " or " + quotedWord(key.wordsOtherwise[i]);
  }
  return allowed + " (or " + range + ")";
}

}  // namespace velkor::ctl
