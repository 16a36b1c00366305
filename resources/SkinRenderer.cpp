#include <QPainter>
#include <QSvgRenderer>

#include "SkinRecipe.h"
#include "UiFont.h"

namespace velkor {

namespace {

void drawArtwork(QPainter& painter, const SkinArtwork& artwork) {
  QSvgRenderer svg(QStringLiteral(":/skin/") + QString::fromLatin1(artwork.file));
  // The artwork is compiled in, so a missing file is a packaging fault, not a
  // condition to live with.
  if (!svg.isValid()) qFatal("Skin artwork %s is missing or not valid SVG.", artwork.file);
  if (!artwork.ink) {
    svg.render(&painter, artwork.box);
    return;
  }
  // A one-colour drawing keeps its shape and anti-aliasing (its alpha) and takes
  // the ink as its colour.
  QImage shape(artwork.box.size(), QImage::Format_ARGB32_Premultiplied);
  shape.fill(Qt::transparent);
  QPainter shapePainter(&shape);
  svg.render(&shapePainter);
  shapePainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  shapePainter.fillRect(shape.rect(), *artwork.ink);
  shapePainter.end();
  painter.drawImage(artwork.box.topLeft(), shape);
}

void drawText(QPainter& painter, const SkinText& text) {
  QFont font = uiFont();
  font.setPixelSize(text.pixelSize);
  font.setBold(text.bold);
  font.setLetterSpacing(QFont::AbsoluteSpacing, text.letterSpacing);
  painter.setFont(font);
  painter.setPen(text.ink);
  painter.drawText(text.box, static_cast<int>(text.alignment), QString::fromUtf8(text.text));
}

}  // namespace

QImage renderSkinRecipe(const SkinRecipe& recipe) {
  QImage image(recipe.size, QImage::Format_RGB32);
  image.fill(recipe.ground);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  for (const SkinFill& fill : recipe.fills) painter.fillRect(fill.area, fill.colour);
  for (const SkinArtwork& artwork : recipe.artwork) drawArtwork(painter, artwork);
  for (const SkinText& text : recipe.texts) drawText(painter, text);
  return image;
}

}  // namespace velkor
