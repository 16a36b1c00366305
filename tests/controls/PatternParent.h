#pragma once

#include <QImage>
#include <QPainter>
#include <QWidget>

// A parent window whose own painting gives each pixel a colour made from its position,
// so that a control's copy of the background can be checked pixel for pixel. Never
// pure black.
class PatternParent : public QWidget {
 public:
  explicit PatternParent(QSize size) {
    resize(size);
    setBlue(90);
  }

  static QRgb colourAt(QPoint at, int blue = 90) { return qRgb(at.x() % 256, at.y() % 256, blue); }

  // Paints a different pattern from now on.
  void setBlue(int blue) {
    m_pattern = QImage(size(), QImage::Format_RGB32);
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width(); ++x) m_pattern.setPixel(x, y, colourAt({x, y}, blue));
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_pattern); }

 private:
  QImage m_pattern;
};

inline QImage grabbed(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }
