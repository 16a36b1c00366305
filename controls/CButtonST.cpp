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
  pixmap.setDevicePixelRatio(image.devicePixelRatio());
  const QBitmap mask = pixmap.createMaskFromColor(palette::TransparentKey, Qt::MaskInColor);
  if (mask.isNull()) return {{}, CButtonST::ImageMaskFailed};
  pixmap.setMask(mask);
  return {pixmap, CButtonST::ImageInstalled};
}

}  // namespace

int CButtonST::useImage(int resourceNumber) {
  m_resource = resourceNumber;
  return installSkinImage(devicePixelRatioF());
}

int CButtonST::installSkinImage(qreal ratio) {
  m_imageRatio = ratio;
  // Buttons that show the same skin picture (the device column, the tab rows) share
  // one masked pixmap per screen ratio.
  const QString key = QStringLiteral("velkor-skin-button-%1@%2").arg(m_resource).arg(qRound(ratio * 100));
  QPixmap shared;
  if (QPixmapCache::find(key, &shared)) {
    m_image = shared;
    update();
    return ImageInstalled;
  }
  const int result = setImage(skinImage(m_resource, ratio));
  if (!m_image.isNull()) QPixmapCache::insert(key, m_image);
  return result;
}

int CButtonST::useImageHandle(const QImage& image) {
  m_resource = 0;
  return setImage(image);
}

int CButtonST::setImage(const QImage& image) {
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
  // Moved to a screen of another ratio: the picture is drawn anew from its sources.
  if (m_resource != 0 && m_imageRatio != devicePixelRatioF()) installSkinImage(devicePixelRatioF());
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
    const QSize image = m_image.deviceIndependentSize().toSize();
    QPoint at(captioned ? ImageInset : (width() - image.width()) / 2, (height() - image.height()) / 2);
    if (pressed) at += QPoint(1, 1);
    painter.drawPixmap(at, m_image);
    captionArea.setLeft(image.width() + ImageInset);
  }
  // A caption with no room beside its image (a tab's placeholder: the picture carries
  // the tab's words) is not drawn: centred on an area beyond the right edge, it would
  // show as a sliver of letters there.
  if (!text().isEmpty() && captionArea.left() < width()) {
    if (pressed) captionArea.translate(1, 1);
    paintCaption(painter, captionArea, highlighted);
  }
  if (showsKeyboardFocus()) paintFocus(painter);
}

bool CButtonST::showsKeyboardFocus() const {
  // As the platform's own controls do: the focus shows once the keyboard has moved it,
  // and a mouse click does not light it up.
  return hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void CButtonST::paintFocus(QPainter& painter) const {
  // Dotted, in the skin's accent over its own pictures and in the caption's colour on
  // a text button, inside the edge so that the edge still shows under the pointer.
  QPen pen(m_image.isNull() ? m_colours[IdleCaption] : palette::Accent, 1, Qt::DotLine);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(1, 1, -2, -2));
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
