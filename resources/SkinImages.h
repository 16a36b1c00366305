#pragma once

#include <QIcon>
#include <QImage>

namespace velkor {

// The skin: every picture the interface is painted from, addressed by its resource
// number. The pictures are rendered from the SVG artwork under skin/ at their
// catalogued size; none holds a pixel of palette::TransparentKey.
namespace skin {

inline constexpr int ApplicationIcon = 128;

// Backgrounds and fixed pictures.
inline constexpr int MainBackground = 129;   // 800 x 611
inline constexpr int PanelBackground = 160;  // 590 x 500, "NO FUNTION CHOSED"
inline constexpr int PageBackground = 163;   // 590 x 500, the base colour alone
inline constexpr int TabSeparator = 164;     // 513 x 15

// Main window buttons.
inline constexpr int CloseButton = 131;     // 40 x 25
inline constexpr int MinimiseButton = 133;  // 40 x 25
inline constexpr int ScanButton = 134;      // 190 x 75

// Device buttons, 197 x 50 except the blank face (195 x 45).
inline constexpr int DeviceBlank = 162;
inline constexpr int DeviceTQ4410Failed = 136;
inline constexpr int DeviceTQ4410Listed = 137;
inline constexpr int DeviceTQ4410InUse = 138;
inline constexpr int DeviceTQ6630Failed = 141;
inline constexpr int DeviceTQ6630Listed = 142;
inline constexpr int DeviceTQ6630InUse = 143;

// Tab buttons, 100 x 65: each page's tab while not chosen and while chosen.
inline constexpr int TabStatus = 144;
inline constexpr int TabStatusSelected = 145;
inline constexpr int TabOutput = 146;
inline constexpr int TabOutputSelected = 147;
inline constexpr int TabAudio = 148;
inline constexpr int TabAudioSelected = 149;
inline constexpr int TabOverlay = 150;
inline constexpr int TabOverlaySelected = 151;
inline constexpr int TabFunction = 152;
inline constexpr int TabFunctionSelected = 153;

}  // namespace skin

// The picture with that resource number, or a null image for a number the skin does
// not have, drawn from its sources for a screen of that device pixel ratio: its size
// in pixels is the catalogued size times the ratio, its devicePixelRatio the ratio.
// Rendered once per ratio, then shared; at 1 it is the catalogued picture itself.
QImage skinImage(int resourceNumber, qreal devicePixelRatio = 1.0);

// The application icon (resource 128) at the usual window and task-bar sizes. Its
// source, skin/128-application-icon.svg, is a 256 x 256 drawing that a desktop entry
// can use as it is.
QIcon applicationIcon();

}  // namespace velkor
