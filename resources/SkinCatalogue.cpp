// What every skin picture shows, and where. The colours come from SkinPalette.h, the
// drawings from skin/*.svg.

#include "SkinImages.h"
#include "SkinPalette.h"
#include "SkinRecipe.h"

namespace velkor {

namespace {

constexpr Qt::Alignment Centred = Qt::AlignCenter;
constexpr Qt::Alignment LeftMiddle = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment RightMiddle = Qt::AlignRight | Qt::AlignVCenter;

constexpr QSize MainWindowSize{800, 611};
constexpr QSize PanelSize{590, 500};
constexpr QSize TitleButtonSize{40, 25};
constexpr QSize ScanSize{190, 75};
constexpr QSize DeviceSize{197, 50};
constexpr QSize DeviceBlankSize{195, 45};
constexpr QSize TabSize{100, 65};
constexpr QSize SeparatorSize{513, 15};

// Where the title-strip glyphs sit in the main window: under the minimise and close
// buttons, as those buttons draw them (minimise 3 pixels in, because of its caption).
constexpr QRect MinimiseGlyphBox{723, 0, 40, 25};
constexpr QRect CloseGlyphBox{760, 0, 40, 25};

SkinRecipe mainBackground() {
  return {
      MainWindowSize,
      palette::Base,
      {},
      {
          {"main-background.svg", {{0, 0}, MainWindowSize}, std::nullopt},
          // Faint gears behind the "no device" line of the empty panel area.
          {"icon-gear.svg", {566, 356, 180, 180}, palette::GearTint},
          {"icon-gear.svg", {486, 470, 96, 96}, palette::GearTint},
          {"icon-gear.svg", {700, 300, 64, 64}, palette::GearTint},
          {"glyph-minimise.svg", MinimiseGlyphBox, palette::Accent},
          {"glyph-close.svg", CloseGlyphBox, palette::Accent},
          {"128-application-icon.svg", {12, 7, 25, 25}, std::nullopt},
          // Our badge at the foot of the device column.
          {"128-application-icon.svg", {18, 546, 34, 34}, std::nullopt},
      },
      {
          {"CONTROL PANEL", {46, 0, 300, 39}, LeftMiddle, 17, true, 2.5, palette::Accent},
          {"Version 0.0.1", {560, 39, 230, 21}, RightMiddle, 11, false, 0, palette::White},
          {"NO DEVICE CONNECTED...", {200, 300, 590, 30}, Centred, 15, false, 2, palette::MutedText},
          {"VELKOR", {60, 545, 130, 20}, LeftMiddle, 16, true, 3, palette::ValueText},
          {"USB CONTROL", {60, 564, 130, 16}, LeftMiddle, 9, false, 2, palette::MutedText},
      },
  };
}

SkinRecipe titleButton(const char* glyph) {
  return {TitleButtonSize, palette::Shadow, {}, {{glyph, {{0, 0}, TitleButtonSize}, palette::Accent}}, {}};
}

SkinRecipe scanButton() {
  return {
      ScanSize,
      palette::Sidebar,
      {},
      {
          {"scan-face.svg", {{0, 0}, ScanSize}, std::nullopt},
          {"icon-magnifier.svg", {24, 22, 30, 30}, palette::MutedText},
      },
      {{"SCANNING", {66, 0, 120, 75}, LeftMiddle, 15, true, 2, palette::MutedText}},
  };
}

SkinRecipe plain(QSize size, QColor colour) { return {size, colour, {}, {}, {}}; }

SkinRecipe panelBackground() {
  return {
      PanelSize,
      palette::Base,
      {},
      {},
      {{"NO FUNTION CHOSED", {0, 268, 590, 30}, Centred, 15, false, 2, palette::MutedText}},
  };
}

SkinRecipe tabSeparator() {
  return {SeparatorSize, palette::Base, {}, {{"tab-separator.svg", {{0, 0}, SeparatorSize}, std::nullopt}}, {}};
}

// Device buttons: one layout, three states, two product names.

enum class DeviceState { Listed, InUse, Failed };

struct DeviceArt {
  int number;
  const char* product;
  DeviceState state;
};

constexpr DeviceArt deviceArt[] = {
    {skin::DeviceTQ4410Listed, "KLMTR-4", DeviceState::Listed},
    {skin::DeviceTQ4410InUse, "KLMTR-4", DeviceState::InUse},
    {skin::DeviceTQ4410Failed, "KLMTR-4", DeviceState::Failed},
    {skin::DeviceTQ6630Listed, "LKMTR-4", DeviceState::Listed},
    {skin::DeviceTQ6630InUse, "LKMTR-4", DeviceState::InUse},
    {skin::DeviceTQ6630Failed, "LKMTR-4", DeviceState::Failed},
};

SkinRecipe deviceButton(const DeviceArt& art) {
  const bool inUse = art.state == DeviceState::InUse;
  const QColor icons = inUse ? palette::Accent : palette::MutedText;
  const char* stateIcon = art.state == DeviceState::Listed ? "icon-check.svg"
                          : inUse                          ? "icon-gear.svg"
                                                           : "icon-warning.svg";
  SkinRecipe recipe{
      DeviceSize,
      inUse ? palette::RaisedFace : palette::Sidebar,
      {{{0, 49, 197, 1}, palette::Shadow}},
      {
          {stateIcon, {18, 14, 22, 22}, icons},
          {"icon-chevrons.svg", {170, 19, 12, 12}, icons},
      },
      {{art.product, {52, 0, 110, 49}, LeftMiddle, 14, true, 1.5, inUse ? palette::Accent : palette::ValueText}},
  };
  if (inUse) recipe.fills.push_back({{0, 0, 3, 49}, palette::Accent});
  return recipe;
}

// Tab buttons: grey while not chosen, accent blue while chosen. The button draws its
// picture 3 pixels in and loses the last 3 columns, so the content is centred on
// the 97 columns that show.

struct TabArt {
  int normal;
  int selected;
  const char* icon;
  QRect iconBox;
  const char* iconLetters;  // words drawn inside the icon, or null
  const char* label;
};

constexpr int TabMiddle = 48;

constexpr TabArt tabArt[] = {
    {skin::TabStatus, skin::TabStatusSelected, "icon-status.svg", {TabMiddle - 15, 11, 30, 26}, nullptr, "STATUS"},
    {skin::TabOutput,
     skin::TabOutputSelected,
     "icon-output.svg",
     {TabMiddle - 15, 11, 30, 26},
     nullptr,
     "SCALING / OUTPUT"},
    {skin::TabAudio, skin::TabAudioSelected, "icon-audio.svg", {TabMiddle - 15, 11, 30, 26}, nullptr, "AUDIO SETTINGS"},
    {skin::TabOverlay,
     skin::TabOverlaySelected,
     "icon-osd-frame.svg",
     {TabMiddle - 17, 12, 34, 24},
     "OSD",
     "STATUS DISPLAY"},
    {skin::TabFunction, skin::TabFunctionSelected, "icon-function.svg", {TabMiddle - 15, 11, 30, 26}, nullptr, "FUNC"},
};

SkinRecipe tabButton(const TabArt& art, bool selected) {
  const QColor ink = selected ? palette::Accent : palette::MutedText;
  SkinRecipe recipe{
      TabSize,
      palette::Base,
      {},
      {{art.icon, art.iconBox, ink}},
      {{art.label, {0, 42, 2 * TabMiddle + 1, 12}, Centred, 9, true, 0.4, ink}},
  };
  if (art.iconLetters) recipe.texts.push_back({art.iconLetters, art.iconBox, Centred, 11, true, 0.5, ink});
  if (selected) recipe.fills.push_back({{TabMiddle - 30, 60, 61, 2}, palette::Accent});
  return recipe;
}

}  // namespace

std::optional<SkinRecipe> skinRecipe(int resourceNumber) {
  switch (resourceNumber) {
    case skin::MainBackground:
      return mainBackground();
    case skin::PanelBackground:
      return panelBackground();
    case skin::PageBackground:
      return plain(PanelSize, palette::Base);
    case skin::TabSeparator:
      return tabSeparator();
    case skin::MinimiseButton:
      return titleButton("glyph-minimise.svg");
    case skin::CloseButton:
      return titleButton("glyph-close.svg");
    case skin::ScanButton:
      return scanButton();
    case skin::DeviceBlank:
      return plain(DeviceBlankSize, palette::Sidebar);
  }
  for (const DeviceArt& art : deviceArt) {
    if (art.number == resourceNumber) return deviceButton(art);
  }
  for (const TabArt& art : tabArt) {
    if (art.normal == resourceNumber || art.selected == resourceNumber)
      return tabButton(art, art.selected == resourceNumber);
  }
  return std::nullopt;
}

}  // namespace velkor
