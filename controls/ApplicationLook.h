#pragma once

namespace velkor {

// The look every window of the application shares, on every system: the interface
// font (UiFont.h) and Qt's own Fusion style with its colours, which draw what the
// skin leaves to the style (lists, sliders, fields, message boxes) alike on Linux and
// Windows, whose default styles and system colours differ. Call once after the
// application object exists and before any window is created.
void installApplicationLook();

}  // namespace velkor
