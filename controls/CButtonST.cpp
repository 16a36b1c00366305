#include "CButtonST.h"

#include <QBitmap>
#include <QEvent>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <algorithm>

#include "ParentBackground.h"
#include "SkinImages.h"
#include "SkinPalette.h"
#include "TemplateControl.h"

namespace velkor {

CButtonST::CButtonST(QWidget* parent) : QPushButton(parent) {
  const QColor face = palette().color(QPalette::Button);
  const QColor caption = palette().color(QPalette::ButtonText);
  m_colours = {face, caption, face, caption, face, caption};
  // A click gives the button the keyboard focus on every platform.
  setFocusPolicy(Qt::StrongFocus);
  // The hover look follows every pointer move, not only moves with a button down.
  setMouseTracking(true);
}

bool CButtonST::attachToControl(QWidget* parent, int controlId) {
  auto* placeholder = findTemplateControl<QPushButton>(parent, controlId);
  if (!placeholder) return false;
  setText(placeholder->text());
  setAutoDefault(placeholder->autoDefault());
  setDefault(placeholder->isDefault());
  replaceTemplateControl(placeholder, *this);
  return true;
}

namespace {

struct MaskedPixmap {
  QPixmap pixmap;
  CButtonST::ImageResult result;
};

// The image as a pixmap whose pure black pixels are transparent: made once, so that
// a repaint only copies pixels. (For a QPixmap, MaskInColor makes the matching
// pixels transparent.)
MaskedPixmap maskedPixmap(const QImage& image) {
  QPixmap pixmap = QPixmap::fromImage(image.convertToFormat(QImage::Format_RGB32));
  if (pixmap.isNull()) return {{}, CButtonST::ImageUnreadable};
  const QBitmap mask = pixmap.createMaskFromColor(palette::TransparentKey, Qt::MaskInColor);
  if (mask.isNull()) return {{}, CButtonST::ImageMaskFailed};
  pixmap.setMask(mask);
  return {pixmap, CButtonST::ImageInstalled};
}

}  // namespace

int CButtonST::useImage(int resourceNumber) {
  // Buttons that show the same skin picture (the device column, the tab rows) share
  // one masked pixmap.
  const QString key = QStringLiteral("velkor-skin-button-%1").arg(resourceNumber);
  QPixmap shared;
  if (QPixmapCache::find(key, &shared)) {
    m_image = shared;
    update();
    return ImageInstalled;
  }
  const int result = useImageHandle(skinImage(resourceNumber));
  if (!m_image.isNull()) QPixmapCache::insert(key, m_image);
  return result;
}

int CButtonST::useImageHandle(const QImage& image) {
  m_image = QPixmap();
  update();
  if (image.isNull()) return ImageInstalled;
  const MaskedPixmap masked = maskedPixmap(image);
  m_image = masked.pixmap;
  return masked.result;
}

void CButtonST::setStateColour(StateColour slot, const QColor& colour) {
  m_colours[slot] = colour;
  update();
}

void CButtonST::useDarkColours() {
  setStateColour(OverFace, palette::TextButtonFace);
  setStateColour(OverCaption, palette::MutedText);
  setStateColour(IdleFace, palette::TextButtonFace);
  setStateColour(IdleCaption, palette::MutedText);
  setStateColour(FocusedFace, palette::TextButtonFace);
}

void CButtonST::enableParentBackground() {
  m_parentBackground = true;
  m_backgroundCopy = QPixmap();
  update();
}

void CButtonST::setFlatLook(bool on) {
  m_flatLook = on;
  update();
}

void CButtonST::setHoverEdge(bool on) {
  m_hoverEdge = on;
  update();
}

void CButtonST::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const bool pressed = isDown();
  const bool highlighted = m_pointerOver || pressed;

  if (m_parentBackground) {
    // Taken once and kept: later images and states are drawn over the same copy.
    if (m_backgroundCopy.isNull()) m_backgroundCopy = copyParentBackground(*this);
    painter.drawPixmap(0, 0, m_backgroundCopy);
  } else {
    const StateColour face = highlighted ? OverFace : hasFocus() ? FocusedFace : IdleFace;
    painter.fillRect(rect(), m_colours[face]);
  }

  if (!m_flatLook || (m_hoverEdge && (pressed || m_pointerOver))) paintEdge(painter, pressed);

  QRect captionArea = rect();
  if (!m_image.isNull()) {
    const bool captioned = !text().isEmpty();
    QPoint at(captioned ? ImageInset : (width() - m_image.width()) / 2, (height() - m_image.height()) / 2);
    if (pressed) at += QPoint(1, 1);
    painter.drawPixmap(at, m_image);
    // May start beyond the right edge when the image fills the button.
    captionArea.setLeft(m_image.width() + ImageInset);
  }
  if (!text().isEmpty()) {
    if (pressed) captionArea.translate(1, 1);
    paintCaption(painter, captionArea, highlighted);
  }
}

void CButtonST::paintEdge(QPainter& painter, bool sunken) const {
  const QColor light = palette().color(QPalette::Light);
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor topLeft = sunken ? shadow : light;
  const QColor bottomRight = sunken ? light : shadow;
  const int w = width();
  const int h = height();
  painter.fillRect(0, 0, w - 1, 1, topLeft);
  painter.fillRect(0, 0, 1, h - 1, topLeft);
  painter.fillRect(w - 1, 0, 1, h, bottomRight);
  painter.fillRect(0, h - 1, w, 1, bottomRight);
}

void CButtonST::paintCaption(QPainter& painter, QRect area, bool highlighted) const {
  // The caption is laid out as a word-wrapped block of centred lines, at least as
  // wide as its widest word, then centred on the area with truncating division,
  // so an area narrower than the block (even of negative width) pushes it left.
  constexpr int flags = Qt::TextWordWrap | Qt::AlignHCenter;
  const QRect block = QFontMetrics(font()).boundingRect(QRect(0, 0, std::max(area.width(), 0), 0), flags, text());
  const QPoint offset((area.width() - block.width()) / 2, (area.height() - block.height()) / 2);
  painter.setPen(m_colours[highlighted ? OverCaption : IdleCaption]);
  painter.drawText(QRect(area.topLeft() + offset, block.size()), flags, text());
}

void CButtonST::mouseMoveEvent(QMouseEvent* event) {
  QPushButton::mouseMoveEvent(event);
  if (!m_flatLook) return;
  // A drag that started elsewhere does not light the button up.
  if ((event->buttons() & Qt::LeftButton) && !m_pointerOver) return;
  setPointerOver(rect().contains(event->position().toPoint()));
}

void CButtonST::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  setPointerOver(false);
}

void CButtonST::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  setPointerOver(false);
}

void CButtonST::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow())
    setPointerOver(false);
  else if (event->type() == QEvent::PaletteChange)
    // New system colours: the parent may paint differently now.
    m_backgroundCopy = QPixmap();
}

void CButtonST::setPointerOver(bool over) {
  if (over == m_pointerOver) return;
  m_pointerOver = over;
  update();
}

}  // namespace velkor
