#pragma once
// The words in which the converters' status bytes are shown. Plain C++, so that the
// command line can print the same words as the status pages.

#include <cstdint>
#include <string>
#include <vector>

#include "StatusBlocks.h"

namespace velkor::status_text {

// What an input or output format shows when the converter reports no signal there, or a
// code no table knows.
inline constexpr const char* kNoSignal = "No Signal";

// "Ver h.h.l.l": each byte shown as its tens and its units.
std::string firmwareVersion(std::uint8_t high, std::uint8_t low);

// TQ4410.
const char* sdiInputFormatA(std::uint8_t code);
const char* outputFormatA(std::uint8_t code);
const char* deembedPairA(std::uint8_t code);
const char* embedSourceA(std::uint8_t code);
const char* hdmiColorSpaceA(std::uint8_t code);
const char* avOutputTypeA(std::uint8_t code);

// TQ6630. What the input format and an audio source of 0 mean depends on which input
// feeds the SDI output.
const char* inputFormatB(std::uint8_t code, std::uint8_t outputSource);
const char* outputFormatB(std::uint8_t code);
const char* outputSourceB(std::uint8_t code);
const char* audioSourceB(std::uint8_t code, std::uint8_t outputSource);

// Everything the status page shows of a block, in the order it fills its fields:
// TQ4410 firmware, SDI input, HDMI output, de-embedding, embedding, colour space, AV
// output; TQ6630 firmware, input, output, SDI output source, SDI audio source.
std::vector<std::string> statusTextsA(const StatusBlockA& block);
std::vector<std::string> statusTextsB(const StatusBlockB& block);

}  // namespace velkor::status_text
