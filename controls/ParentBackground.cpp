#include "ParentBackground.h"

#include <QWidget>

namespace velkor {

QPixmap copyParentBackground(const QWidget& control) {
  const qreal ratio = control.devicePixelRatioF();
  QPixmap copy(control.size() * ratio);
  copy.setDevicePixelRatio(ratio);
  copy.fill(Qt::transparent);
  if (QWidget* parent = control.parentWidget())
    parent->render(&copy, QPoint(), QRegion(control.geometry()), QWidget::DrawWindowBackground);
  return copy;
}

}  // namespace velkor
