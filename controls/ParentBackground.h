#pragma once

#include <QPixmap>

class QWidget;

namespace velkor {

// The parent's own painting of the rectangle that control covers, without any of the
// parent's children: what the parent would show if control were not there.
QPixmap copyParentBackground(const QWidget& control);

}  // namespace velkor
