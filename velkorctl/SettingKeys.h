#pragma once
// The settings as the command line names them: a key, a byte of the model's status
// block, and the words of the setting page's list for it, or a range of numbers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velkor::ctl {

struct SettingKey {
  const char* name;
  std::size_t offset;  // byte of the model's status block
  // The list's words by value; empty for a number from 0 to `highest`.
  std::span<const char* const> words;
  std::uint8_t highest = 0;
  // A list whose first word names the input another setting chooses (the TQ6630's
  // audio source: "Follow HDMI" or "Follow AV"): its words when the byte at
  // `followsOffset` is not 0. Either spelling is taken on input.
  std::span<const char* const> wordsOtherwise{};
  std::size_t followsOffset = 0;

  std::uint8_t maximum() const { return words.empty() ? highest : static_cast<std::uint8_t>(words.size() - 1); }
};

// A setting to send, checked against its key.
struct Change {
  const SettingKey* key;
  std::uint8_t value;
};

// The word the setting page shows for the value in this block; nothing for a range, or
// for a value beyond the list.
std::optional<std::string> valueWord(const SettingKey& key, std::uint8_t value, const std::uint8_t* block);
// The word, or else the number.
std::string shownValue(const SettingKey& key, std::uint8_t value, const std::uint8_t* block);

// What a person typed: one of the words as shown or spelt right, without regard to case
// and blanks, or a number the key takes.
std::optional<std::uint8_t> parseValue(const SettingKey& key, std::string_view text);
// What parseValue takes, for an error message.
std::string allowedValues(const SettingKey& key);

}  // namespace velkor::ctl
