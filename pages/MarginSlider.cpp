#include "MarginSlider.h"

#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>

#include "Log.h"

namespace velkor {

MarginSlider::MarginSlider(QSlider* slider, QLineEdit* field, SettingByte setting)
    : QObject(slider), slider_(slider), field_(field), setting_(setting) {
  const int margin = setting_.shown();
  // The stored number as it is, until the slider is first drawn; a margin above 100
  // puts the slider at its end.
  field_->setText(QString::asprintf("%d%%", margin));
  slider_->setRange(0, kMaximum);
  slider_->setValue(margin);
  slider_->installEventFilter(this);
}

bool MarginSlider::eventFilter(QObject* watched, QEvent* event) {
  if (watched == slider_) {
    if (event->type() == QEvent::Paint) {
      showPosition();
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      // Before the slider ends its drag: with tracking on, its value already is where
      // the thumb was let go.
      commit();
    }
  }
  return QObject::eventFilter(watched, event);
}

void MarginSlider::showPosition() {
  const int position = slider_->value();
  logLine("data is %d \n", position);
  field_->setText(QString::asprintf("%02d%%", position));
}

void MarginSlider::commit() {
  const int position = slider_->value();
  logLine("send data is %d \n", position);
  setting_.change(static_cast<std::uint8_t>(position));
}

}  // namespace velkor
