#pragma once
// What a controller sees of each converter model: the objects that stand for the panel's
// pages, their settings with the words and codes of the panel's lists, and where each
// setting lives on the wire. One table per model; the generic model code walks it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velkor::node::control {

// A list of the panel, as an enumeration datatype: item i has code i and the panel's word.
struct ListType {
  const char* name;  // the datatype's name
  const char* description;
  std::span<const char* const> words;
};

// One setting of a page. A setting without a list is a margin: a percentage.
struct SettingRow {
  const char* name;  // the property's name
  const char* description;
  const ListType* list;
  std::uint8_t command;  // the one-value request the panel's Auto Apply sends
  std::size_t offset;    // its byte in the model's status block
};

// One page of the panel as a control class of our own.
struct PageClass {
  const char* role;
  const char* className;
  const char* description;
  std::array<int, 4> classId;  // NcWorker's 1.2, the authority key 0, our index
  std::span<const SettingRow> settings;
};

struct ConverterTable {
  std::uint16_t versionNumber;  // kVersionModelA or kVersionModelB
  const char* word;             // "TQ4410"
  std::size_t blockSize;        // sizeof the model's status block
  std::size_t firmwareOffset;   // high byte; the low byte follows
  std::span<const PageClass> pages;
  // The status page's word for the input, from the whole status block.
  const char* (*inputWord)(std::span<const std::uint8_t> block);
};

std::span<const ConverterTable> converterTables();
// Null for a version number of neither model.
const ConverterTable* converterTable(std::uint16_t versionNumber);

// Whether the status page's word for the input says that a signal is there.
bool inputPresent(const char* inputWord);

// An enumeration item's programmatic name: the panel's word with every run of other
// characters than letters and digits made one '_' ("RGB 4:4:4" is "RGB_4_4_4").
std::string itemName(const char* word);

// The custom name the converters keep: Latin-1, at most this many characters, no '#'
// (which ends the name in the converters' replies).
inline constexpr std::size_t kNameMaxCharacters = 15;

}  // namespace velkor::node::control
