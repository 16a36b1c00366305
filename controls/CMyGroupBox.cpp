#include "CMyGroupBox.h"

#include <QFontMetrics>
#include <QPainter>

#include "ParentBackground.h"
#include "SkinPalette.h"
#include "TemplateControl.h"
#include "UiFont.h"

namespace velkor {

namespace {

constexpr int FrameLeft = 2;
constexpr int FrameTop = 8;
constexpr int FrameRightInset = 8;   // from the client width
constexpr int FrameBottomInset = 8;  // from the client height
constexpr qreal CornerRadius = 6;    // a 12 x 12 corner ellipse
constexpr QPoint CaptionOrigin{10, 0};
constexpr int GapShortening = 35;
constexpr int GapMeasurePixelSize = 13;

}  // namespace

CMyGroupBox::CMyGroupBox(QWidget* parent) : QGroupBox(parent) {}

bool CMyGroupBox::attachToControl(QWidget* parent, int controlId) {
  auto* placeholder = findTemplateControl<QGroupBox>(parent, controlId);
  if (!placeholder) return false;
  setTitle(placeholder->title());
  replaceTemplateControl(placeholder, *this);
  return true;
}

QFont CMyGroupBox::gapMeasureFont() {
  QFont font = uiFont();
  font.setPixelSize(GapMeasurePixelSize);
  font.setBold(true);
  return font;
}

void CMyGroupBox::paintEvent(QPaintEvent*) {
  // Taken once: the page behind does not change while the group box exists.
  if (m_backgroundCopy.isNull()) m_backgroundCopy = copyParentBackground(*this);

  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(palette::GroupFrame, 1));
  painter.setBrush(Qt::NoBrush);
  // The frame spans (2, 8) up to but not including (width - 8, height - 8); the
  // half-pixel offset puts the 1-pixel pen exactly on those pixel rows and columns.
  const QRectF frame(FrameLeft + 0.5, FrameTop + 0.5, width() - FrameRightInset - FrameLeft - 1,
                     height() - FrameBottomInset - FrameTop - 1);
  painter.drawRoundedRect(frame, CornerRadius, CornerRadius);

  const QString caption = title();
  if (caption.isEmpty()) return;
  // Cut the frame's top edge behind the caption by restoring the background there.
  const QFontMetrics measure(gapMeasureFont());
  const QRect gap(CaptionOrigin, QSize(measure.horizontalAdvance(caption) - GapShortening, measure.height()));
  if (gap.width() > 0) {
    painter.save();
    painter.setClipRect(gap);
    painter.drawPixmap(0, 0, m_backgroundCopy);
    painter.restore();
  }

  painter.setFont(font());
  painter.setPen(palette::MutedText);
  painter.drawText(QRect(CaptionOrigin, size()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
}

}  // namespace velkor
