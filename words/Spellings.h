#pragma once
// The panels' labels keep the converters' own spelling ("Horizonal Only", "No Singal");
// a person typing a value may spell it right. These are the words the labels misspell,
// beside their spelling, so that the command line takes either.

#include <array>
#include <string>
#include <string_view>

namespace velkor::spelling {

struct Correction {
  std::string_view asShown;
  std::string_view corrected;
};

inline constexpr std::array kCorrections = {
    Correction{"Horizonal", "Horizontal"},
    Correction{"Singal", "Signal"},
    Correction{"Bule", "Blue"},
};

// The label with each misspelt word corrected; the label itself when it has none. Only
// whole words change: "Bulergy" stays.
std::string corrected(std::string_view label);

}  // namespace velkor::spelling
