#include "SettingsTables.h"

#include "CommandSet.h"

namespace velkor {
namespace {

// Names as files already stored spell them, misspellings included.
constexpr const char* kScale = "Page_Scale/Output";
constexpr const char* kAudio = "Page_Audio";
constexpr const char* kOverlays = "Page_Overlays";

constexpr std::size_t overlayItem(std::size_t index) { return offsetof(StatusBlockA, overlayItems) + index; }

constexpr SettingsItem kItemsTQ4410[] = {
    {kScale, "Output Format", offsetof(StatusBlockA, outputFormat)},
    {kScale, "HDMI Output Type", offsetof(StatusBlockA, hdmiColorSpace)},
    {kScale, "CVBS Output Type", offsetof(StatusBlockA, avOutputType)},
    {kAudio, "Audio De-Embedding", offsetof(StatusBlockA, deembedPair)},
    {kAudio, "Audio Embedding", offsetof(StatusBlockA, embedSource)},
    {kOverlays, "Input Format", overlayItem(0)},
    {kOverlays, "Output Format", overlayItem(1)},
    {kOverlays, "AES/EBU Embedding", overlayItem(2)},
    {kOverlays, "AES/EBU De-Embedding", overlayItem(3)},
    {kOverlays, "Analog Embedding", overlayItem(4)},
    {kOverlays, "Analog De-Embedding", overlayItem(5)},
    {kOverlays, "Overlays Enable", offsetof(StatusBlockA, overlaysEnable)},
    {kOverlays, "Virtical Margin", offsetof(StatusBlockA, verticalMargin)},
    {kOverlays, "Horiznoal Margin", offsetof(StatusBlockA, horizontalMargin)},
};

constexpr SettingsItem kItemsTQ6630[] = {
    {kScale, "Output Format", offsetof(StatusBlockB, outputFormat)},
    {kScale, "Output Source From", offsetof(StatusBlockB, outputSource)},
    {kScale, "Audio Source From", offsetof(StatusBlockB, audioSource)},
    {kOverlays, "Overlays Enable", offsetof(StatusBlockB, overlaysEnable)},
    {kOverlays, "Virtical Margin", offsetof(StatusBlockB, verticalMargin)},
    {kOverlays, "Horiznoal Margin", offsetof(StatusBlockB, horizontalMargin)},
    {kOverlays, "Mirror Image", offsetof(StatusBlockB, mirrorImage)},
    {kOverlays, "Screen Freeze", offsetof(StatusBlockB, screenFreeze)},
};

}  // namespace

const ModelSettings<StatusBlockA> kSettingsTQ4410{
    "TQ4410", kItemsTQ4410, &DeviceRecord::applyModeA, &DeviceRecord::pendingA, &DeviceRecord::statusA,
    applySettingsA, "TQ6630", kItemsTQ6630};
const ModelSettings<StatusBlockB> kSettingsTQ6630{
    "TQ6630", kItemsTQ6630, &DeviceRecord::applyModeB, &DeviceRecord::pendingB, &DeviceRecord::statusB,
    applySettingsB, "TQ4410", kItemsTQ4410};

}  // namespace velkor
