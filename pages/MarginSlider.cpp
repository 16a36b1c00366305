#include "MarginSlider.h"

#include <QEvent>
#include <QKeyEvent>
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
  if (watched != slider_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Paint:
      showPosition();
      break;
    case QEvent::MouseButtonRelease:
      // Before the slider ends its drag: with tracking on, its value already is where
      // the thumb was let go.
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        keyMoved_ = false;
        commit();
      }
      break;
    case QEvent::KeyPress:
      if (movedBy(event)) keyMoved_ = true;
      // An event the slider did not take goes on to the page, as it would have.
      return true;
    case QEvent::KeyRelease:
      if (static_cast<QKeyEvent*>(event)->isAutoRepeat() || !keyMoved_) break;
      [[fallthrough]];
    case QEvent::FocusOut:
      if (keyMoved_) {
        keyMoved_ = false;
        commit();
      }
      break;
    case QEvent::Wheel:
      if (movedBy(event)) commit();
      return true;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

bool MarginSlider::movedBy(QEvent* event) {
  const int before = slider_->value();
  static_cast<QObject*>(slider_)->event(event);
  return slider_->value() != before;
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
