#include <QPainter>
#include <QSvgRenderer>

#include "SkinRecipe.h"
#include "UiFont.h"

namespace velkor {

namespace {

void drawArtwork(QPainter& painter, const SkinArtwork& artwork, qreal ratio) {
  QSvgRenderer svg(QStringLiteral(":/skin/") + QString::fromLatin1(artwork.file));
  // The artwork is compiled in, so a missing file is a packaging fault, not a
  // condition to live with.
  if (!svg.isValid()) qFatal("Skin artwork %s is missing or not valid SVG.", artwork.file);
  if (!artwork.ink) {
    svg.render(&painter, artwork.box);
    return;
  }
  // A one-colour drawing keeps its shape and anti-aliasing (its alpha) and takes
  // the ink as its colour. Its mask is drawn at the picture's resolution.
  QImage shape(artwork.box.size() * ratio, QImage::Format_ARGB32_Premultiplied);
  shape.setDevicePixelRatio(ratio);
  shape.fill(Qt::transparent);
  QPainter shapePainter(&shape);
  svg.render(&shapePainter, QRectF(QPointF(0, 0), artwork.box.size()));
  shapePainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  shapePainter.fillRect(QRectF(QPointF(0, 0), artwork.box.size()), *artwork.ink);
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

QImage renderSkinRecipe(const SkinRecipe& recipe, qreal devicePixelRatio) {
  QImage image(recipe.size * devicePixelRatio, QImage::Format_RGB32);
  image.setDevicePixelRatio(devicePixelRatio);
  image.fill(recipe.ground);
  // The painter works in the recipe's pixels; the image's ratio scales it.
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  for (const SkinFill& fill : recipe.fills) painter.fillRect(fill.area, fill.colour);
  for (const SkinArtwork& artwork : recipe.artwork) drawArtwork(painter, artwork, devicePixelRatio);
  for (const SkinText& text : recipe.texts) drawText(painter, text);
  return image;
}

}  // namespace velkor
