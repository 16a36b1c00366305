#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

namespace velkor {

// How one skin picture is put together, bottom layer first: a flat ground, filled
// rectangles, SVG artwork, then words. Words are drawn with the interface font, not
// by the SVG renderer, so that they come out alike on every platform.

struct SkinFill {
  QRect area;
  QColor colour;
};

struct SkinArtwork {
  const char* file;  // resource path under :/skin/
  QRect box;         // the drawing's canvas is scaled into this box
  // Set for one-colour drawings, which are then drawn in this colour; unset for
  // drawings that carry their own colours.
  std::optional<QColor> ink;
};

struct SkinText {
  const char* text;
  QRect box;
  Qt::Alignment alignment;
  int pixelSize;
  bool bold;
  qreal letterSpacing;  // extra pixels after every letter
  QColor ink;
};

struct SkinRecipe {
  QSize size;
  QColor ground;
  std::vector<SkinFill> fills;
  std::vector<SkinArtwork> artwork;
  std::vector<SkinText> texts;
};

// The recipe of the picture with that resource number, if the skin has one.
std::optional<SkinRecipe> skinRecipe(int resourceNumber);

// The picture a recipe describes, as an opaque image of the recipe's size times
// `devicePixelRatio`, drawn at that resolution from the recipe's sources.
QImage renderSkinRecipe(const SkinRecipe& recipe, qreal devicePixelRatio = 1.0);

}  // namespace velkor
