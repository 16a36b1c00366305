#pragma once

#include <QGroupBox>
#include <QPixmap>

namespace velkor {

// The captioned frame that groups controls on the skinned pages: a thin grey rounded
// rectangle drawn straight over the page's background, with a grey caption set into
// its top edge. It stands in for a group box of a dialog template.
class CMyGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  explicit CMyGroupBox(QWidget* parent = nullptr);

  // Takes the place of the group box with objectName controlId among parent's
  // children, with its caption, geometry, visibility and id. False, changing
  // nothing, when parent has no such group box.
  bool attachToControl(QWidget* parent, int controlId);

  // The font the caption gap is measured in (not the font the caption is drawn in):
  // a bold face larger than the dialog font, so that the gap, 35 pixels shorter
  // than the measured caption, still clears the drawn caption.
  static QFont gapMeasureFont();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap m_backgroundCopy;
};

}  // namespace velkor
