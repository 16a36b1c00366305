#pragma once

#include <QColor>
#include <array>

namespace velkor {

// Every colour of the skin and of the windows painted over it. Code names these
// constants and never spells a colour; the artwork under skin/ uses only these
// values too (a test holds it to that), so changing one here means changing the
// SVG sources that draw with it.
namespace palette {

// Backgrounds.
inline constexpr QColor Base{46, 49, 54};        // panels, pages, button backgrounds
inline constexpr QColor Sidebar{39, 43, 46};     // device column, idle device buttons
inline constexpr QColor Shadow{30, 33, 36};      // title strip, bottom strip, dividers
inline constexpr QColor RaisedFace{64, 68, 71};  // the device button in use
inline constexpr QColor Edge{60, 65, 71};        // hairline outlines on dark faces
inline constexpr QColor GearTint{54, 58, 64};    // the faint drawings behind "no device"

// Blues.
inline constexpr QColor Accent{1, 139, 212};     // selected tabs, the device in use, title
inline constexpr QColor LabelBlue{0, 125, 199};  // the version bar and its labels

// Greys of text, edges and fields.
inline constexpr QColor TextButtonFace{64, 64, 64};
inline constexpr QColor MutedText{128, 128, 128};  // labels, text-button captions, idle icons
inline constexpr QColor GroupFrame{168, 168, 168};
inline constexpr QColor ValueText{192, 192, 192};  // read-only values, device names
inline constexpr QColor FieldText{16, 16, 16};     // text inside edit fields and lists
inline constexpr QColor White{255, 255, 255};

// Not a colour of the artwork: an image pixel of exactly this value lets the
// parent show through an image button.
inline constexpr QColor TransparentKey{0, 0, 0};

// The colours the artwork may use.
inline constexpr std::array artworkColours{
    Base,      Sidebar,        Shadow,    RaisedFace, Edge,      GearTint,  Accent,
    LabelBlue, TextButtonFace, MutedText, GroupFrame, ValueText, FieldText, White,
};

}  // namespace palette

}  // namespace velkor
