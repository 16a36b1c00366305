#include "DialogTemplate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "DialogUnits.h"
#include "SkinImages.h"

namespace velkor {

namespace {

// A skin picture that draws itself at the resolution of the screen it is on, whatever
// screen that is by the time it paints.
class SkinPicture final : public QLabel {
 public:
  SkinPicture(int image, QWidget* parent) : QLabel(parent), image_(image) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), skinImage(image_, devicePixelRatioF()));
  }

 private:
  int image_;
};

QWidget* createControl(const ControlSpec& spec, QWidget* window) {
  const QString caption = QString::fromUtf8(spec.caption);
  switch (spec.kind) {
    case ControlKind::PushButton:
      return new QPushButton(caption, window);
    case ControlKind::StaticText: {
      auto* label = new QLabel(caption, window);
      // Static texts wrap at word boundaries and start at the top of their box.
      label->setWordWrap(true);
      label->setAlignment(spec.alignment | Qt::AlignTop);
      return label;
    }
    case ControlKind::Picture: {
      return new SkinPicture(spec.image, window);
    }
    case ControlKind::Frame:
      return new QWidget(window);
    case ControlKind::DropDownList: {
      auto* list = new QComboBox(window);
      list->setEditable(false);
      return list;
    }
    case ControlKind::EditField: {
      auto* field = new QLineEdit(caption, window);
      field->setReadOnly(spec.readOnly);
      return field;
    }
    case ControlKind::Slider:
      return new QSlider(Qt::Horizontal, window);
    case ControlKind::RadioButton:
      return new QRadioButton(caption, window);
    case ControlKind::CheckBox:
      return new QCheckBox(caption, window);
    case ControlKind::GroupBox:
      return new QGroupBox(caption, window);
  }
  Q_UNREACHABLE();
}

QRect geometryOf(const ControlSpec& spec, const QWidget& control) {
  QRect rect = dialog_units::toPixels(spec.x, spec.y, spec.width, spec.height);
  if (spec.kind == ControlKind::Picture)
    // A picture control takes its image's own size.
    rect.setSize(skinImage(spec.image).size());
  else if (spec.kind == ControlKind::DropDownList)
    // The template's height includes the open list; the closed box is one line.
    rect.setHeight(control.sizeHint().height());
  return rect;
}

}  // namespace

void buildFromTemplate(QWidget* window, std::span<const ControlSpec> controls) {
  for (const ControlSpec& spec : controls) {
    QWidget* control = createControl(spec, window);
    if (spec.id != NoControlId) control->setObjectName(QString::number(spec.id));
    control->setGeometry(geometryOf(spec, *control));
    control->setVisible(spec.visible);
  }
}

}  // namespace velkor
