#pragma once
// The words of the setting lists, in list order: an item's position is the byte the
// converter takes for it. Plain C++, so that tools without windows name the values
// exactly as the pages do.

#include <array>
#include <cstddef>
#include <cstdint>

namespace velkor::lists {

namespace detail {
template <std::size_t N, std::size_t M>
constexpr std::array<const char*, N + M> join(const std::array<const char*, N>& head,
                                              const std::array<const char*, M>& tail) {
  std::array<const char*, N + M> all{};
  for (std::size_t i = 0; i < N; ++i) all[i] = head[i];
  for (std::size_t i = 0; i < M; ++i) all[N + i] = tail[i];
  return all;
}

// The output formats both models share; they differ only in the last three names.
inline constexpr std::array<const char*, 13> kOutputFormatsShared = {
    "Follow Input", "1080p60", "1080p50", "1080p30", "1080p25", "1080p24", "1080i60",
    "1080i50",      "720p60",  "720p50",  "720p30",  "720p25",  "720p24",
};
}  // namespace detail

inline constexpr auto kOutputFormatsA =
    detail::join<13, 3>(detail::kOutputFormatsShared, {"576i50", "480i60", "576i50_Cut"});
inline constexpr auto kOutputFormatsB =
    detail::join<13, 3>(detail::kOutputFormatsShared, {"625i50", "525i60", "625i50_Cut"});

inline constexpr std::array kHdmiColorSpaces = {"RGB 4:4:4", "YUV 4:2:2", "YUV 4:4:4", "DVI RGB 4:4:4"};
inline constexpr std::array kAvOutputTypes = {"NTSC", "PAL"};

// The no-signal background and the overlay colours.
inline constexpr std::array kColours = {"Black", "Bule", "Green", "Cyan", "Red", "Magenta", "Yellow", "White"};

inline constexpr std::array kSdiOutputSources = {"HDMI", "AV"};

// The first audio source is the one that comes with the video feeding the SDI output,
// so its name follows that source (0 HDMI, anything else AV).
inline constexpr std::array<const char*, 3> sdiAudioSources(std::uint8_t sdiOutputSource) {
  return {sdiOutputSource == 0 ? "Follow HDMI" : "Follow AV", "AES/EBU Audio Input", "Analog Audio Input"};
}

inline constexpr std::array kDeembedPairs = {
    "SDI Channel 1-2",  "SDI Channel 3-4",   "SDI Channel 5-6",   "SDI Channel 7-8",
    "SDI Channel 9-10", "SDI Channel 11-12", "SDI Channel 13-14", "SDI Channel 15-16",
};
// The HDMI embedding sources, as the audio page's buttons name them.
inline constexpr std::array kEmbedSources = {"SDI Channel 1-8", "SDI Channel 9-16", "AES/EBU Audio", "Analog Audio"};
// The HDMI embedding sources as the audio page's hidden list names them.
inline constexpr std::array kHdmiAudioSources = {"Follow SDI", "AES/EBU Audio", "Analog Audio"};
inline constexpr std::array kHdmiChannelPairs = {"HDMI Channel 1-2", "HDMI Channel 3-4", "HDMI Channel 5-6",
                                                 "HDMI Channel 7-8"};

// The overlay margins are percentages.
inline constexpr std::uint8_t kMarginMaximum = 100;

inline constexpr std::array kOverlaysEnable = {"ON", "OFF", "Delay 5 seconds"};
inline constexpr std::array kImageFlips = {"Normal", "Horizonal Only", "Vertical Only", "Horizonal & Vertical"};
// Reversed against kOverlaysEnable: here "ON" is 1.
inline constexpr std::array kScreenFreeze = {"OFF", "ON"};

}  // namespace velkor::lists
