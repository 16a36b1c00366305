#pragma once

#include <QColor>
#include <QPixmap>
#include <QPushButton>
#include <array>

class QImage;

namespace velkor {

// The owner-drawn push button behind every skinned button. It stands in for a push
// button of a dialog template and is used in two ways:
//  - image button: a skin image over a copy of the parent's own background, so the
//    button seems to have no body (set-up: attachToControl, useImage, placement,
//    enableParentBackground, setFlatLook(true), setHoverEdge(false));
//  - text button: its caption on a flat face that gains a thin raised edge under the
//    pointer (set-up: attachToControl, then useDarkColours).
class CButtonST : public QPushButton {
  Q_OBJECT

 public:
  enum StateColour {
    OverFace,  // while the pointer is over the button or it is pressed
    OverCaption,
    IdleFace,
    IdleCaption,
    FocusedFace,
    FocusedCaption,  // kept for completeness of the set; never drawn
  };

  enum ImageResult {
    ImageInstalled = 0,   // also when there was no image to install
    ImageUnreadable = 1,  // its pixels could not be read
    ImageMaskFailed = 2,
  };

  // The image's left edge when the button has a caption; the caption area then
  // starts this far beyond the image's width.
  static constexpr int ImageInset = 3;

  explicit CButtonST(QWidget* parent = nullptr);

  // Takes the place of the push button with objectName controlId among parent's
  // children, with its caption, geometry, visibility and id. False, changing
  // nothing, when parent has no such button.
  bool attachToControl(QWidget* parent, int controlId);

  // Shows that skin image from now on; an unknown number leaves no image.
  int useImage(int resourceNumber);
  // The same for an image the caller has made.
  int useImageHandle(const QImage& image);

  void setStateColour(StateColour slot, const QColor& colour);
  // The dark colour set of the skinned pages' text buttons.
  void useDarkColours();

  // Paints the parent's background (copied once, at the next paint) under the image
  // instead of a face colour.
  void enableParentBackground();
  void setFlatLook(bool on);
  void setHoverEdge(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int installSkinImage(qreal ratio);
  int setImage(const QImage& image);
  bool showsKeyboardFocus() const;
  void paintFocus(QPainter& painter) const;
  void setPointerOver(bool over);
  void paintEdge(QPainter& painter, bool sunken) const;
  void paintCaption(QPainter& painter, QRect area, bool highlighted) const;

  std::array<QColor, 6> m_colours;
  bool m_flatLook = true;
  bool m_hoverEdge = true;
  bool m_parentBackground = false;
  bool m_pointerOver = false;
  QPixmap m_image;     // pure black pixels masked out
  int m_resource = 0;  // the skin picture shown, or 0 for a picture the caller made
  qreal m_imageRatio = 1.0;
  QPixmap m_backgroundCopy;
};

}  // namespace velkor
